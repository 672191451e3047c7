<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AppTheme</name>
    <message>
        <source>System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Light</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dark</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Use this folder as the library for this run (repeatable); the settings stay as they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print every video of the library as json or csv, without a window.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit when the first scan ends.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
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
    <message>
        <source>%1 kB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 GB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 TB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 PB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 EB</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FolderLibrary</name>
    <message>
        <source>The video is no longer in the library.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is already back in its folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is no longer in the Trash; the Trash may have been emptied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>another file now has its place in the Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Trash no longer holds the record of where it came from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>another file now has its place</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its folder is now on another drive than the Trash; restore it from the Trash yourself</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it could not be put back: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>permission to use the Trash folder “%1” was denied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Trash folder “%1” is on a read-only drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the drive of the Trash folder “%1” is full</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Trash folder “%1” is not a folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Trash folder “%1” cannot be used: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Trash folder “%1” belongs to another user</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its folder “%1” is on a read-only drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>permission to change its folder “%1” was denied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it left its folder, but was not found in the Trash folder “%1” to be checked; look for it in the Trash before emptying it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Trash did not record where it came from, and it could not be put back (%1); it is in the Trash as “%2”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is no longer in the library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is no longer there</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it changed after the scan; scan again to see it as it is now</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the drive it is on has no Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>permission was denied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its name is too long for the Trash; rename it and try again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Trash could not record where it came from, so it was left in its folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Trash could not record where it came from (%1), so it was left in its folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is still in its folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it could not be moved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another program is using the library index. Orsenta shows your videos but keeps no changes until it is free.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk that holds the library index is full. Orsenta shows your videos and saves changes again once there is space.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index %1 cannot be written (%2). Orsenta shows your videos but keeps no changes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index %1 cannot be read (%2). Orsenta shows your videos but keeps no changes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library index was damaged and has been moved aside; the next scan rebuilds it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough free space where the video was to be exported.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video is too large for the drive it was to be exported to.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder the video was to be exported to cannot be written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The exported copy could not be written: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file name is not valid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video is no longer there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video has been replaced by a link; nothing was exported.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You are not allowed to read the video.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video could not be opened: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video is not a regular file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Another file is now where the video was; scan again first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder “%1” does not exist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” already exists; it was left as it is. Choose another name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video could not be read: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video changed while it was being exported; nothing was exported.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FoldersPage</name>
    <message>
        <source>Available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Videos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add a Library Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This run uses the folders named on the command line; changes last until it ends.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LibraryCondition</name>
    <message>
        <source>%1 is not connected or was moved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%1 is not connected or was moved: its %Ln video(s) stay in the library until it is back.</source>
        <translation>
            <numerusform>%1 is not connected or was moved: its %Ln video stays in the library until it is back.</numerusform>
            <numerusform>%1 is not connected or was moved: its %Ln videos stay in the library until it is back.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 cannot be read: its %Ln video(s) stay in the library until it can be read again.</source>
        <translation>
            <numerusform>%1 cannot be read: its %Ln video stays in the library until it can be read again.</numerusform>
            <numerusform>%1 cannot be read: its %Ln videos stay in the library until it can be read again.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln more folder(s) could not be read.</source>
        <translation>
            <numerusform>%Ln more folder could not be read.</numerusform>
            <numerusform>%Ln more folders could not be read.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>LibraryReport</name>
    <message>
        <source>The report&apos;s format is json or csv.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None of the library folders can be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>there are none</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The library cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not read, so not in the report: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Scanning your video folders…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your video folders changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rescan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deselect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%Ln video(s) selected</source>
        <translation>
            <numerusform>%Ln video selected</numerusform>
            <numerusform>%Ln videos selected</numerusform>
        </translation>
    </message>
    <message>
        <source>Frees %1 once the Trash is emptied</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%Ln video(s) with unknown size</source>
        <translation>
            <numerusform>%Ln video with unknown size</numerusform>
            <numerusform>%Ln videos with unknown size</numerusform>
        </translation>
    </message>
    <message>
        <source>Show Sidebar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo Move to Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search by filename</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop scanning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rescan your video folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No matches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No video matches the current search and size filter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear filters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder access needed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orsenta needs to read your video folders. Let it read and write %1 in the file manager, then rescan.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No videos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your video folders have no videos, or they have not been scanned yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Move %Ln video(s) to the Trash?</source>
        <translation>
            <numerusform>Move %Ln video to the Trash?</numerusform>
            <numerusform>Move %Ln videos to the Trash?</numerusform>
        </translation>
    </message>
    <message>
        <source>The videos go to the Trash, where you can restore them. %1 returns to the disk when the Trash is emptied.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Something went wrong</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Keeps “%1” (%2) and selects %Ln other(s)</source>
        <translation>
            <numerusform>Keeps “%1” (%2) and selects %Ln other</numerusform>
            <numerusform>Keeps “%1” (%2) and selects %Ln others</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>…and %Ln more group(s)</source>
        <translation>
            <numerusform>…and %Ln more group</numerusform>
            <numerusform>…and %Ln more groups</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Select the extra copies of %Ln group(s) of similar videos?</source>
        <translation>
            <numerusform>Select the extra copies of %Ln group of similar videos?</numerusform>
            <numerusform>Select the extra copies of %Ln groups of similar videos?</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing moves to the Trash until you choose Move to Trash.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Extra Copies</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OrsentaApp</name>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PhotoLibraryError</name>
    <message>
        <source>Orsenta may not read your video folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This video is no longer in your video folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file of this video could not be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file of this video is not available on this computer.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreviewPlayer</name>
    <message>
        <source>The video could not be played.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The video could not be played: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtDesktopToolkit</name>
    <message>
        <source>Videos</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingsWindow</name>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folders</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Sidebar</name>
    <message numerus="yes">
        <source>%Ln video(s)</source>
        <translation>
            <numerusform>%Ln video</numerusform>
            <numerusform>%Ln videos</numerusform>
        </translation>
    </message>
    <message>
        <source>Total size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Videos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size unknown</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Videos whose files could not be read report no size.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scanning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Counting videos…</source>
        <translation type="unfinished">Counting videos…</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimum size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear filters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Identical copies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for identical copies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Extra Copies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orsenta never empties the Trash; the space returns when you empty it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All dates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put the videos last moved to the Trash back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Keeping the favourite or oldest copy in each of %Ln group(s) frees the space shown once the Trash is emptied.</source>
        <translation>
            <numerusform>Keeping the favourite or oldest copy in each of %Ln group frees the space shown once the Trash is emptied.</numerusform>
            <numerusform>Keeping the favourite or oldest copy in each of %Ln groups frees the space shown once the Trash is emptied.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Checking %Ln group(s) of same-size videos…</source>
        <translation>
            <numerusform>Checking %Ln group of same-size videos…</numerusform>
            <numerusform>Checking %Ln groups of same-size videos…</numerusform>
        </translation>
    </message>
    <message>
        <source>Selects the extra copies once the check for identical copies ends.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selects every copy but the one kept in each group.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>In the Trash: %Ln video(s), %1</source>
        <translation>
            <numerusform>In the Trash: %Ln video, %1</numerusform>
            <numerusform>In the Trash: %Ln videos, %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Similar videos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Similar copies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Extra Similar Copies…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows what each group keeps, then selects every other copy.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Re-encoded, resized or trimmed copies of one video. Each group keeps the favourite, else the largest picture.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>In %Ln group(s); the space shown returns once the extra copies are in the Trash and it is emptied.</source>
        <translation>
            <numerusform>In %Ln group; the space shown returns once the extra copies are in the Trash and it is emptied.</numerusform>
            <numerusform>In %Ln groups; the space shown returns once the extra copies are in the Trash and it is emptied.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Looking at %Ln new video(s) for similar copies: %1 done…</source>
        <translation>
            <numerusform>Looking at %Ln new video for similar copies: %1 done…</numerusform>
            <numerusform>Looking at %Ln new videos for similar copies: %1 done…</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SizeFilter</name>
    <message>
        <source>All sizes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>100 MB and up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>500 MB and up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 GB and up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2 GB and up</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>Counting videos…</source>
        <translation>Counting videos…</translation>
    </message>
    <message>
        <source>Scan cancelled.</source>
        <translation>Scan cancelled.</translation>
    </message>
    <message>
        <source>Scan failed.</source>
        <translation>Scan failed.</translation>
    </message>
    <message>
        <source>Deletion failed.</source>
        <translation>Deletion failed.</translation>
    </message>
    <message>
        <source>Deletion cancelled.</source>
        <translation>Deletion cancelled.</translation>
    </message>
    <message>
        <source>Favorite update failed.</source>
        <translation>Favorite update failed.</translation>
    </message>
    <message>
        <source>Copied %1.</source>
        <translation>Copied %1.</translation>
    </message>
    <message>
        <source>Ready to scan your video folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking access to your video folders…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orsenta needs to read your video folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No videos in your video folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Loaded %1 of %Ln video(s).</source>
        <translation>
            <numerusform>Loaded %1 of %Ln video.</numerusform>
            <numerusform>Loaded %1 of %Ln videos.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln video(s), size known for %1.</source>
        <translation>
            <numerusform>%Ln video, size known for %1.</numerusform>
            <numerusform>%Ln videos, size known for %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Scan cancelled at %1 of %Ln video(s).</source>
        <translation>
            <numerusform>Scan cancelled at %1 of %Ln video.</numerusform>
            <numerusform>Scan cancelled at %1 of %Ln videos.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moving %Ln video(s) to the Trash…</source>
        <translation>
            <numerusform>Moving %Ln video to the Trash…</numerusform>
            <numerusform>Moving %Ln videos to the Trash…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moved %Ln video(s) to the Trash. Emptying it frees %1.</source>
        <translation>
            <numerusform>Moved %Ln video to the Trash. Emptying it frees %1.</numerusform>
            <numerusform>Moved %Ln videos to the Trash. Emptying it frees %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Moved %Ln video(s) to the Trash. Emptying it frees %1; nothing for %2 of them, whose blocks other links or copies share.</source>
        <translation>
            <numerusform>Moved %Ln video to the Trash. Emptying it frees %1; nothing for %2 of them, whose blocks other links or copies share.</numerusform>
            <numerusform>Moved %Ln videos to the Trash. Emptying it frees %1; nothing for %2 of them, whose blocks other links or copies share.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Adding %Ln video(s) to Favorites…</source>
        <translation>
            <numerusform>Adding %Ln video to Favorites…</numerusform>
            <numerusform>Adding %Ln videos to Favorites…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Removing %Ln video(s) from Favorites…</source>
        <translation>
            <numerusform>Removing %Ln video from Favorites…</numerusform>
            <numerusform>Removing %Ln videos from Favorites…</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Added %Ln video(s) to Favorites.</source>
        <translation>
            <numerusform>Added %Ln video to Favorites.</numerusform>
            <numerusform>Added %Ln videos to Favorites.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Removed %Ln video(s) from Favorites.</source>
        <translation>
            <numerusform>Removed %Ln video from Favorites.</numerusform>
            <numerusform>Removed %Ln videos from Favorites.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Saving copies of %Ln video(s)…</source>
        <translation>
            <numerusform>Saving copies of %Ln video…</numerusform>
            <numerusform>Saving copies of %Ln videos…</numerusform>
        </translation>
    </message>
    <message>
        <source>Saving copy %1 of %2…</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Saved copies of %Ln video(s).</source>
        <translation>
            <numerusform>Saved copies of %Ln video.</numerusform>
            <numerusform>Saved copies of %Ln videos.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Saved copies of %1 of %Ln video(s).</source>
        <translation>
            <numerusform>Saved copies of %1 of %Ln video.</numerusform>
            <numerusform>Saved copies of %1 of %Ln videos.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Copied %Ln name(s).</source>
        <translation>
            <numerusform>Copied %Ln name.</numerusform>
            <numerusform>Copied %Ln names.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln video(s) removed from your folders.</source>
        <translation>
            <numerusform>%Ln video removed from your folders.</numerusform>
            <numerusform>%Ln videos removed from your folders.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Checking %Ln group(s) of same-size videos… %1 of %2</source>
        <translation>
            <numerusform>Checking %Ln group of same-size videos… %1 of %2</numerusform>
            <numerusform>Checking %Ln groups of same-size videos… %1 of %2</numerusform>
        </translation>
    </message>
    <message>
        <source>Check for identical copies stopped: same-size videos are not called copies until it has run.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Putting videos back from the Trash…</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Put %Ln video(s) back from the Trash.</source>
        <translation>
            <numerusform>Put %Ln video back from the Trash.</numerusform>
            <numerusform>Put %Ln videos back from the Trash.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>VideoCommands</name>
    <message>
        <source>Video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Scanning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show in Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add to Favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save a Copy…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deselect All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove from Favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Copies…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VideoListViewModel</name>
    <message>
        <source>Choose Folder</source>
        <translation>Choose Folder</translation>
    </message>
    <message>
        <source>“%1”: it was removed or replaced after the scan; scan again to see it as it is now.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%Ln video(s) were not moved to the Trash.</source>
        <translation>
            <numerusform>%Ln video was not moved to the Trash.</numerusform>
            <numerusform>%Ln videos were not moved to the Trash.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>And %Ln more.</source>
        <translation>
            <numerusform>And %Ln more.</numerusform>
            <numerusform>And %Ln more.</numerusform>
        </translation>
    </message>
    <message>
        <source>The videos could not be moved to the Trash.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%Ln video(s) stayed in the Trash.</source>
        <translation>
            <numerusform>%Ln video stayed in the Trash.</numerusform>
            <numerusform>%Ln videos stayed in the Trash.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>VideoPreviewView</name>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading preview…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unmute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mute</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>orsenta::SimilarCompareView</name>
    <message>
        <source>Compare Similar Videos</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Moment</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>orsenta::SimilarCopyColumn</name>
    <message>
        <source>Extra copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Mbit/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Codec</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preview unavailable</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>orsenta::VideoContextMenu</name>
    <message>
        <source>Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add to Favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove from Favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show in Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save a Copy…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Copies…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compare Similar Copies</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>orsenta::VideoTableModel</name>
    <message>
        <source>Thumbnail for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Favorite</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Created</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Screen recording</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copies ×%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept: favourite</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept: oldest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept: original name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept: earliest file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept: shortest path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept: first of equals</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Similar ×%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>favourite</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>largest picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>higher bit rate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>oldest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>first of equals</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
