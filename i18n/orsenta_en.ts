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
</TS>
