<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CoreWords</name>
    <message>
        <source>Not in use</source>
        <translation>Nicht belegt</translation>
    </message>
    <message>
        <source>the space bar</source>
        <translation>die Leertaste</translation>
    </message>
    <message>
        <source>%1 or %2</source>
        <translation>%1 oder %2</translation>
    </message>
    <message>
        <source>“%1”</source>
        <translation>„%1“</translation>
    </message>
    <message>
        <source>type %1</source>
        <translation>tippen Sie %1</translation>
    </message>
    <message>
        <source>type %1 (the key itself cannot be clicked)</source>
        <translation>tippen Sie %1 (die Taste selbst lässt sich nicht anklicken)</translation>
    </message>
    <message>
        <source>click the key to enter it</source>
        <translation>zum Eingeben die Taste anklicken</translation>
    </message>
    <message>
        <source>cannot be entered with this layout: the key cannot be clicked and no typed character enters it</source>
        <translation>mit dieser Belegung nicht einzugeben: Die Taste lässt sich nicht anklicken, und kein getipptes Zeichen gibt es ein</translation>
    </message>
    <message>
        <source>(Paste Unicode enters it)</source>
        <translation>(„Unicode einfügen“ gibt es ein)</translation>
    </message>
    <message>
        <source>(type %1 with the Arabic layout shown)</source>
        <translation>(tippen Sie %1, während die arabische Belegung angezeigt wird)</translation>
    </message>
    <message>
        <source>(type %1 with the Systematic layout shown)</source>
        <translation>(tippen Sie %1, während die systematische Belegung angezeigt wird)</translation>
    </message>
    <message>
        <source>Nothing pasted: the clipboard holds no text.</source>
        <translation>Nichts eingefügt: Die Zwischenablage enthält keinen Text.</translation>
    </message>
    <message>
        <source>Pasted; 1 character was left out (no letter here, or a vowel sign the letter before it does not take).</source>
        <translation>Eingefügt; 1 Zeichen wurde ausgelassen (kein Buchstabe hier, oder ein Vokalzeichen, das der Buchstabe davor nicht annimmt).</translation>
    </message>
    <message>
        <source>Pasted; 1 character was left out (a character of no glyph code, a code no letter uses, or a sign with nothing to carry it).</source>
        <translation>Eingefügt; 1 Zeichen wurde ausgelassen (ein Zeichen ohne Glyphencode, ein Code, den kein Buchstabe verwendet, oder ein Zeichen ohne Träger).</translation>
    </message>
    <message>
        <source>Pasted; %1 characters were left out (characters of no glyph code, codes no letter uses, or signs with nothing to carry them).</source>
        <translation>Eingefügt; %1 Zeichen wurden ausgelassen (Zeichen ohne Glyphencode, Codes, die kein Buchstabe verwendet, oder Zeichen ohne Träger).</translation>
    </message>
    <message>
        <source>VarnelNormal has no glyph for code %1 (read as %2).</source>
        <translation>VarnelNormal hat keine Glyphe für den Code %1 (gelesen als %2).</translation>
    </message>
    <message>
        <source>VarnelNormal has no glyph for codes %1 (read as %2).</source>
        <translation>VarnelNormal hat keine Glyphen für die Codes %1 (gelesen als %2).</translation>
    </message>
    <message>
        <source>Pasted; %1 characters were left out (no letter here, or a vowel sign the letter before it does not take).</source>
        <translation>Eingefügt; %1 Zeichen wurden ausgelassen (kein Buchstabe hier, oder ein Vokalzeichen, das der Buchstabe davor nicht annimmt).</translation>
    </message>
</context>
<context>
    <name>harf::ui::frmMain</name>
    <message>
        <source>Harf — shaped Arabic in 8-bit glyph codes (stand-in display font)</source>
        <translation>Harf — geformtes Arabisch in 8-Bit-Glyphencodes (Ersatz-Anzeigeschrift)</translation>
    </message>
    <message>
        <source>Harf — shaped Arabic in 8-bit glyph codes for VarnelNormal</source>
        <translation>Harf — geformtes Arabisch in 8-Bit-Glyphencodes für VarnelNormal</translation>
    </message>
    <message>
        <source>Line and text</source>
        <translation>Zeile und Text</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>Text area</source>
        <translation>Textbereich</translation>
    </message>
    <message>
        <source>Delete the last letter (Backspace or Delete)</source>
        <translation>Den letzten Buchstaben löschen (Rücktaste oder Entf)</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>Rücktaste</translation>
    </message>
    <message>
        <source>Copy Line as Unicode</source>
        <translation>Zeile als Unicode kopieren</translation>
    </message>
    <message>
        <source>Copy Text as Unicode</source>
        <translation>Text als Unicode kopieren</translation>
    </message>
    <message>
        <source>Paste Unicode</source>
        <translation>Unicode einfügen</translation>
    </message>
    <message>
        <source>Right-click for Unicode: Copy Line (%1), Copy Text (%2), Paste Unicode (%3), Paste Legacy-Font Text (%4)</source>
        <translation>Rechtsklick für Unicode: Zeile kopieren (%1), Text kopieren (%2), Unicode einfügen (%3), Text in der alten Schrift einfügen (%4)</translation>
    </message>
    <message>
        <source>Paste Legacy-Font Text</source>
        <translation>Text in der alten Schrift einfügen</translation>
    </message>
    <message>
        <source>Paste text copied from a document set in the legacy font: its letters are read back from the glyph codes and typed in</source>
        <translation>Text aus einem Dokument in der alten Schrift einfügen: seine Buchstaben werden aus den Glyphencodes gelesen und eingetippt</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Paste what the clipboard holds: Unicode Arabic, or text in the legacy font</source>
        <translation>Einfügen, was die Zwischenablage enthält: Unicode-Arabisch oder Text in der alten Schrift</translation>
    </message>
</context>
</TS>
