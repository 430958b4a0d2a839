<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>tunebay::AboutDialog</name>
    <message>
        <source>About Tunebay</source>
        <translation>Über Tunebay</translation>
    </message>
</context>
</TS>
