#pragma once
// Records and constants of the translation tables: languages, sections and rows.
#include <QString>
#include <QStringList>

#include <vector>

// Languages are numbered from 1; column N of a row is language N.
inline constexpr int NumOfLanguages = 2;
inline constexpr int LangEnglish = 1;
inline constexpr int LangGerman = 2;
// The program always starts in German; messages shown before the main window exists are in it.
inline constexpr int StartLanguage = LangGerman;
inline const QStringList LangNames{QStringLiteral("English"), QStringLiteral("Deutsch")};

// One translatable text: the item (a component name, the window's class name or a
// property path such as "edRecordingFolder.Text") and one text per language. An empty
// text leaves the property as it is when that language is applied.
struct TLangRow {
    QString Item;
    QStringList Texts;

    QString Text(int language) const { return Texts.value(language - 1); }
};

using TLangRows = std::vector<TLangRow>;

// A window's table, one list of rows per section. The sections are applied in the order
// of the members below (message texts are looked up, never applied).
struct TTranslationData {
    TLangRows Captions;       // Caption
    TLangRows Hints;          // Hint
    TLangRows DisplayLabels;  // DisplayLabel
    TLangRows Fonts;          // the font's family name
    TLangRows Charsets;       // the font's character set, applied with the fonts
    TLangRows MultiLineTexts; // string lists, compared and assigned as comma text
    TLangRows Strings;        // the property named in the path
    TLangRows Locales;        // only when the translator changes locales
    TLangRows Collections;    // "Owner.Collection[index].Property"
    TLangRows MessageDialogs; // captions of the standard message dialogs
    // Message texts, looked up, never applied. A message of the program is found by its item
    // (the message's key; "%1", "%2", ... stand for its values); a text raised by the layers
    // below by its English text ("%s" and "%d" stand for the values it holds).
    TLangRows Messages;
    // Qt's own texts in its widgets ("Context|Source text"), served to Qt by
    // TQtTextTranslator; an empty cell leaves Qt's English text.
    TLangRows QtTexts;
};
