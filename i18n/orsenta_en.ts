<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DisplayText</name>
    <message>
        <source>Unavailable</source>
        <translation>Unavailable</translation>
    </message>
    <message>
        <source>Zero bytes</source>
        <translation>Zero bytes</translation>
    </message>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n byte</numerusform>
            <numerusform>%n bytes</numerusform>
        </translation>
    </message>
    <message>
        <source>Unknown date</source>
        <translation>Unknown date</translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>Ready to scan your Photos library.</source>
        <translation>Ready to scan your Photos library.</translation>
    </message>
    <message>
        <source>Requesting Photos access…</source>
        <translation>Requesting Photos access…</translation>
    </message>
    <message>
        <source>Photos access is required.</source>
        <translation>Photos access is required.</translation>
    </message>
    <message>
        <source>Counting videos…</source>
        <translation>Counting videos…</translation>
    </message>
    <message>
        <source>No videos in your Photos library.</source>
        <translation>No videos in your Photos library.</translation>
    </message>
    <message numerus="yes">
        <source>Loaded %1 of %n video(s).</source>
        <translation>
            <numerusform>Loaded %1 of %n video.</numerusform>
            <numerusform>Loaded %1 of %n videos.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n video(s), size known for %1.</source>
        <translation>
            <numerusform>%n video, size known for %1.</numerusform>
            <numerusform>%n videos, size known for %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Scan cancelled at %1 of %n video(s).</source>
        <translation>
            <numerusform>Scan cancelled at %1 of %n video.</numerusform>
            <numerusform>Scan cancelled at %1 of %n videos.</numerusform>
        </translation>
    </message>
    <message>
        <source>Scan cancelled.</source>
        <translation>Scan cancelled.</translation>
    </message>
    <message>
        <source>Scan failed.</source>
        <translation>Scan failed.</translation>
    </message>
    <message numerus="yes">
        <source>Deleting %n video(s) through Photos…</source>
        <translation>
            <numerusform>Deleting %n video through Photos…</numerusform>
            <numerusform>Deleting %n videos through Photos…</numerusform>
        </translation>
    </message>
    <message>
        <source>Deletion failed.</source>
        <translation>Deletion failed.</translation>
    </message>
    <message>
        <source>Deletion cancelled.</source>
        <translation>Deletion cancelled.</translation>
    </message>
    <message numerus="yes">
        <source>Adding %n video(s) to Favorites…</source>
        <translation>
            <numerusform>Adding %n video to Favorites…</numerusform>
            <numerusform>Adding %n videos to Favorites…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Removing %n video(s) from Favorites…</source>
        <translation>
            <numerusform>Removing %n video from Favorites…</numerusform>
            <numerusform>Removing %n videos from Favorites…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Added %n video(s) to Favorites.</source>
        <translation>
            <numerusform>Added %n video to Favorites.</numerusform>
            <numerusform>Added %n videos to Favorites.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Removed %n video(s) from Favorites.</source>
        <translation>
            <numerusform>Removed %n video from Favorites.</numerusform>
            <numerusform>Removed %n videos from Favorites.</numerusform>
        </translation>
    </message>
    <message>
        <source>Favorite update failed.</source>
        <translation>Favorite update failed.</translation>
    </message>
    <message numerus="yes">
        <source>Downloading %n video(s)…</source>
        <translation>
            <numerusform>Downloading %n video…</numerusform>
            <numerusform>Downloading %n videos…</numerusform>
        </translation>
    </message>
    <message>
        <source>Downloading %1 of %2…</source>
        <translation>Downloading %1 of %2…</translation>
    </message>
    <message numerus="yes">
        <source>Downloaded %n video(s).</source>
        <translation>
            <numerusform>Downloaded %n video.</numerusform>
            <numerusform>Downloaded %n videos.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Downloaded %1 of %n video(s).</source>
        <translation>
            <numerusform>Downloaded %1 of %n video.</numerusform>
            <numerusform>Downloaded %1 of %n videos.</numerusform>
        </translation>
    </message>
    <message>
        <source>Copied %1.</source>
        <translation>Copied %1.</translation>
    </message>
    <message numerus="yes">
        <source>Copied %n name(s).</source>
        <translation>
            <numerusform>Copied %n name.</numerusform>
            <numerusform>Copied %n names.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n video(s) removed in Photos.</source>
        <translation>
            <numerusform>%n video removed in Photos.</numerusform>
            <numerusform>%n videos removed in Photos.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moved %n video(s) to the Trash. Emptying it frees %1.</source>
        <translation>
            <numerusform>Moved %n video to the Trash. Emptying it frees %1.</numerusform>
            <numerusform>Moved %n videos to the Trash. Emptying it frees %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Checking %n group(s) of same-size videos… %1 of %2</source>
        <translation>
            <numerusform>Checking %n group of same-size videos… %1 of %2</numerusform>
            <numerusform>Checking %n groups of same-size videos… %1 of %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Put %n video(s) back from the Trash.</source>
        <translation>
            <numerusform>Put %n video back from the Trash.</numerusform>
            <numerusform>Put %n videos back from the Trash.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moved %n video(s) to the Trash. Emptying it frees %1; nothing for %2 of them, whose blocks other links or copies share.</source>
        <translation>
            <numerusform>Moved %n video to the Trash. Emptying it frees %1; nothing for %2 of them, whose blocks other links or copies share.</numerusform>
            <numerusform>Moved %n videos to the Trash. Emptying it frees %1; nothing for %2 of them, whose blocks other links or copies share.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>VideoListViewModel</name>
    <message>
        <source>Photos could not delete the selected videos.</source>
        <translation>Photos could not delete the selected videos.</translation>
    </message>
    <message>
        <source>Choose Folder</source>
        <translation>Choose Folder</translation>
    </message>
    <message numerus="yes">
        <source>%n video(s) were not moved to the Trash.</source>
        <translation>
            <numerusform>%n video was not moved to the Trash.</numerusform>
            <numerusform>%n videos were not moved to the Trash.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>And %n more.</source>
        <translation>
            <numerusform>And %n more.</numerusform>
            <numerusform>And %n more.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n video(s) stayed in the Trash.</source>
        <translation>
            <numerusform>%n video stayed in the Trash.</numerusform>
            <numerusform>%n videos stayed in the Trash.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Orsenta</name>
    <message numerus="yes">
        <source>%n video(s)</source>
        <translation>
            <numerusform>%n video</numerusform>
            <numerusform>%n videos</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n duplicate group(s)</source>
        <translation>
            <numerusform>%n duplicate group</numerusform>
            <numerusform>%n duplicate groups</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Sidebar</name>
    <message numerus="yes">
        <source>%n video(s)</source>
        <translation>
            <numerusform>%n video</numerusform>
            <numerusform>%n videos</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Keeping the favourite or oldest copy in each of %n group(s) frees the space shown once the Trash is emptied.</source>
        <translation>
            <numerusform>Keeping the favourite or oldest copy in each of %n group frees the space shown once the Trash is emptied.</numerusform>
            <numerusform>Keeping the favourite or oldest copy in each of %n groups frees the space shown once the Trash is emptied.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Checking %n group(s) of same-size videos…</source>
        <translation>
            <numerusform>Checking %n group of same-size videos…</numerusform>
            <numerusform>Checking %n groups of same-size videos…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>In the Trash: %n video(s), %1</source>
        <translation>
            <numerusform>In the Trash: %n video, %1</numerusform>
            <numerusform>In the Trash: %n videos, %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message numerus="yes">
        <source>%n video(s) selected</source>
        <translation>
            <numerusform>%n video selected</numerusform>
            <numerusform>%n videos selected</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n video(s) with unknown size</source>
        <translation>
            <numerusform>%n video with unknown size</numerusform>
            <numerusform>%n videos with unknown size</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Delete %n video(s)?</source>
        <translation>
            <numerusform>Delete %n video?</numerusform>
            <numerusform>Delete %n videos?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>LibraryCondition</name>
    <message numerus="yes">
        <source>%1 is not connected or was moved: its %n video(s) stay in the library until it is back.</source>
        <translation>
            <numerusform>%1 is not connected or was moved: its %n video stays in the library until it is back.</numerusform>
            <numerusform>%1 is not connected or was moved: its %n videos stay in the library until it is back.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 cannot be read: its %n video(s) stay in the library until it can be read again.</source>
        <translation>
            <numerusform>%1 cannot be read: its %n video stays in the library until it can be read again.</numerusform>
            <numerusform>%1 cannot be read: its %n videos stay in the library until it can be read again.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n more folder(s) could not be read.</source>
        <translation>
            <numerusform>%n more folder could not be read.</numerusform>
            <numerusform>%n more folders could not be read.</numerusform>
        </translation>
    </message>
</context>
</TS>
