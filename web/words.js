'use strict';
// The page's words, one table per language, chosen by the browser's languages.
// The core says what happened in numbers (the messages of input/messages.h and
// how a key is entered); these tables word them as the window's translation
// file does. The captions of keys, buttons and frames are the same in every
// language, as in the window.
(() => {
  const en = {
    // The messages of harf::Message, by value; %1 is the count.
    said: [
      null,
      ['Nothing pasted: the clipboard holds no text.'],
      [
        'Pasted; 1 character was left out (no letter here, or a vowel sign the letter before it does not take).',
        'Pasted; %1 characters were left out (no letter here, or a vowel sign the letter before it does not take).',
      ],
      [
        'Pasted; 1 character was left out (a character of no glyph code, a code no letter uses, or a sign with nothing to carry it).',
        'Pasted; %1 characters were left out (characters of no glyph code, codes no letter uses, or signs with nothing to carry them).',
      ],
      ['The display font has no glyph for 1 code.', 'The display font has no glyph for %1 codes.'],
    ],
    // Key tooltips, by harf::KeyHow.
    notInUse: 'Not in use',
    spaceBar: 'the space bar',
    or: '%1 or %2',
    quoted: '\u201c%1\u201d',
    typed: 'type %1',
    typedNotClickable: 'type %1 (the key itself cannot be clicked)',
    clickOnly: 'click the key to enter it',
    notWithThisLayout:
      'cannot be entered with this layout: the key cannot be clicked and no typed character enters it',
    pasteUnicodeOnly: '(Paste Unicode enters it)',
    withArabic: '(type %1 with the Arabic layout shown)',
    withSystematic: '(type %1 with the Systematic layout shown)',
    // The page's own.
    credit: 'Type on the keyboard or click the keys.',
    lineCopied: 'Line copied (%1).',
    textCopied: 'Text copied (%1).',
    lineCopiedUnicode: 'Line copied as Unicode.',
    textCopiedUnicode: 'Text copied as Unicode.',
    noClipboardWrite: 'The browser did not allow writing to the clipboard.',
    noClipboardRead: 'The browser did not allow reading the clipboard; Ctrl+V pastes.',
    tooLongToKeep: 'The text is too long to keep in this browser; it is lost when the page closes.',
    couldNotStart: 'Harf could not start: %1',
    enterTitle: 'Move the line into the text (Enter)',
    backspace: 'Backspace',
    backspaceTitle: 'Delete the last letter (Backspace or Delete)',
    // Elements of index.html: [id, attribute or 'text', words].
    page: [
      ['fra1', 'aria-label', 'Line and text'],
      ['txtT', 'aria-label', 'Line'],
      ['txtT', 'title', 'The line: type on the keyboard or click the keys below'],
      ['txtF', 'aria-label', 'Text'],
      ['txtF', 'title', 'The text: Enter moves the line here'],
      ['cmdCopyLineUnicode', 'text', 'Copy Line as Unicode'],
      ['cmdCopyTextUnicode', 'text', 'Copy Text as Unicode'],
      ['cmdPaste', 'text', 'Paste'],
      ['cmdPaste', 'title',
        'Pastes what the clipboard holds, Unicode Arabic or text in the legacy font (Ctrl+V)'],
      ['cmdPasteUnicode', 'text', 'Paste Unicode'],
      ['cmdPasteUnicode', 'title', 'Types Unicode Arabic from the clipboard in'],
      ['cmdPasteCodes', 'text', 'Paste Glyph Codes'],
      ['cmdPasteCodes', 'title', "Reads text in the legacy font's glyph codes back into letters"],
      ['encodingLegend', 'text', 'Copy writes the glyph codes as'],
      ['encodingSymbol', 'text', 'Symbol (U+F000 + code)'],
    ],
  };

  const de = {
    said: [
      null,
      ['Nichts eingefügt: Die Zwischenablage enthält keinen Text.'],
      [
        'Eingefügt; 1 Zeichen wurde ausgelassen (kein Buchstabe hier, oder ein Vokalzeichen, das der Buchstabe davor nicht annimmt).',
        'Eingefügt; %1 Zeichen wurden ausgelassen (kein Buchstabe hier, oder ein Vokalzeichen, das der Buchstabe davor nicht annimmt).',
      ],
      [
        'Eingefügt; 1 Zeichen wurde ausgelassen (ein Zeichen ohne Glyphencode, ein Code, den kein Buchstabe verwendet, oder ein Zeichen ohne Träger).',
        'Eingefügt; %1 Zeichen wurden ausgelassen (Zeichen ohne Glyphencode, Codes, die kein Buchstabe verwendet, oder Zeichen ohne Träger).',
      ],
      ['Der Anzeigeschrift fehlt die Glyphe für 1 Code.', 'Der Anzeigeschrift fehlen die Glyphen für %1 Codes.'],
    ],
    notInUse: 'Nicht belegt',
    spaceBar: 'die Leertaste',
    or: '%1 oder %2',
    quoted: '\u201e%1\u201c',
    typed: 'tippen Sie %1',
    typedNotClickable: 'tippen Sie %1 (die Taste selbst lässt sich nicht anklicken)',
    clickOnly: 'zum Eingeben die Taste anklicken',
    notWithThisLayout:
      'mit dieser Belegung nicht einzugeben: Die Taste lässt sich nicht anklicken, und kein getipptes Zeichen gibt es ein',
    pasteUnicodeOnly: '(\u201eUnicode einfügen\u201c gibt es ein)',
    withArabic: '(tippen Sie %1, während die arabische Belegung angezeigt wird)',
    withSystematic: '(tippen Sie %1, während die systematische Belegung angezeigt wird)',
    credit: 'Tippen Sie auf der Tastatur oder klicken Sie die Tasten an.',
    lineCopied: 'Zeile kopiert (%1).',
    textCopied: 'Text kopiert (%1).',
    lineCopiedUnicode: 'Zeile als Unicode kopiert.',
    textCopiedUnicode: 'Text als Unicode kopiert.',
    noClipboardWrite: 'Der Browser hat das Schreiben in die Zwischenablage nicht erlaubt.',
    noClipboardRead: 'Der Browser hat das Lesen der Zwischenablage nicht erlaubt; Strg+V fügt ein.',
    tooLongToKeep:
      'Der Text ist zu lang, um ihn in diesem Browser aufzubewahren; er geht verloren, wenn die Seite geschlossen wird.',
    couldNotStart: 'Harf konnte nicht starten: %1',
    enterTitle: 'Die Zeile in den Text verschieben (Enter)',
    backspace: 'Rücktaste',
    backspaceTitle: 'Den letzten Buchstaben löschen (Rücktaste oder Entf)',
    page: [
      ['fra1', 'aria-label', 'Zeile und Text'],
      ['txtT', 'aria-label', 'Zeile'],
      ['txtT', 'title', 'Die Zeile: auf der Tastatur tippen oder die Tasten unten anklicken'],
      ['txtF', 'aria-label', 'Text'],
      ['txtF', 'title', 'Der Text: Enter verschiebt die Zeile hierher'],
      ['cmdCopyLineUnicode', 'text', 'Zeile als Unicode kopieren'],
      ['cmdCopyTextUnicode', 'text', 'Text als Unicode kopieren'],
      ['cmdPaste', 'text', 'Einfügen'],
      ['cmdPaste', 'title',
        'Fügt ein, was die Zwischenablage enthält: Unicode-Arabisch oder Text in der alten Schrift (Strg+V)'],
      ['cmdPasteUnicode', 'text', 'Unicode einfügen'],
      ['cmdPasteUnicode', 'title', 'Tippt Unicode-Arabisch aus der Zwischenablage ein'],
      ['cmdPasteCodes', 'text', 'Glyphencodes einfügen'],
      ['cmdPasteCodes', 'title', 'Liest Text in den Glyphencodes der alten Schrift in Buchstaben zurück'],
      ['encodingLegend', 'text', 'Kopieren schreibt die Glyphencodes als'],
      ['encodingSymbol', 'text', 'Symbol (U+F000 + Code)'],
    ],
  };

  const tables = { en, de };
  // The first of the browser's languages that has a table; English otherwise.
  const code = (navigator.languages || [navigator.language || 'en'])
    .map((l) => l.toLowerCase().split('-')[0])
    .find((l) => l in tables) || 'en';
  const t = tables[code];

  const fill = (text, ...args) => args.reduce((s, a, i) => s.replace(`%${i + 1}`, a), text);
  const typedName = (c) => (c === ' ' ? t.spaceBar : fill(t.quoted, c));
  const typedNames = (chars) =>
    [...chars].map(typedName).reduce((out, name, i) => (i === 0 ? name : fill(t.or, out, name)));

  window.HarfWords = {
    language: code,
    t,
    fill,
    // The label's words for harf::Message `message` with `count`.
    said(message, count) {
      const forms = t.said[message];
      if (!forms) return '';
      return fill(forms[count === 1 || forms.length === 1 ? 0 : 1], String(count));
    },
    // A key's tooltip from what the core says about it (harf::KeyHow).
    keyTooltip(k) {
      if (k.how === 0) return t.notInUse;
      const typed = k.typed ? typedNames(k.typed) : '';
      const lines = [k.letter];
      if (k.how === 1) lines.push(fill(t.typed, typed));
      if (k.how === 2) lines.push(fill(t.typedNotClickable, typed));
      if (k.how === 3) lines.push(t.clickOnly);
      if (k.how === 4 || k.how === 5) {
        lines.push(t.notWithThisLayout);
        if (k.how === 5) lines.push(t.pasteUnicodeOnly);
        else lines.push(fill(k.other === 1 ? t.withArabic : t.withSystematic, typed));
      }
      return lines.join('\n');
    },
    // Words the page's own elements.
    wordPage() {
      document.documentElement.lang = code;
      for (const [id, attribute, words] of t.page) {
        const el = document.getElementById(id);
        if (attribute === 'text') el.textContent = words;
        else el.setAttribute(attribute, words);
      }
    },
  };
})();
