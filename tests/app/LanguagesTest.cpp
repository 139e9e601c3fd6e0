// The translators and the dispatcher on a small window of their own: section order, the
// empty-cell rule, fonts, comma text, collections, linking and the range error.
#include "app/languages/TLangDispatcher.h"
#include "app/languages/TLangLinkedTranslator.h"
#include "app/languages/TLangTranslator.h"
#include "app/languages/TMsgDlgCaptions.h"
#include "runtime/Exception.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>

#include <gmock/gmock.h>

#include <memory>

using testing::ElementsAre;

namespace {
TLangRow Row(const char* item, const char* english, const char* german) {
    return {QString::fromUtf8(item), {QString::fromUtf8(english), QString::fromUtf8(german)}};
}

// Notes every text change of the objects it watches, in order.
class TChangeLog : public QObject {
public:
    QStringList Entries;
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::WindowTitleChange)
            Entries << object->objectName() + QStringLiteral(".windowTitle");
        if (event->type() == QEvent::DynamicPropertyChange)
            Entries << object->objectName() + u'.' +
                           QString::fromLatin1(
                               static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName());
        return false;
    }
};

class Translator : public testing::Test {
protected:
    Translator() {
        window->setObjectName(QStringLiteral("FormT"));
        window->setWindowTitle(QStringLiteral("Title"));
        label->setObjectName(QStringLiteral("Label1"));
        edit->setObjectName(QStringLiteral("Edit1"));
        action->setObjectName(QStringLiteral("Action1"));
        window->installEventFilter(&log);
    }
    ~Translator() override { TMsgDlgCaptions::Reset(); }

    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QLabel* label = new QLabel(QStringLiteral("Label"), window.get());
    QLineEdit* edit = new QLineEdit(window.get());
    QAction* action = new QAction(QStringLiteral("Act"), window.get());
    TChangeLog log;
};

TEST_F(Translator, AppliesTheWindowFirstThenTheSectionsInOrderAndSkipsEmptyCells) {
    auto* item = new QObject(window.get());
    item->setObjectName(QStringLiteral("Item1"));
    for (const char* property : {"Caption", "Hint", "Marker"})
        item->setProperty(property, QString());
    item->installEventFilter(&log);
    TTranslationData data;
    data.Captions = {Row("Item1", "c", "C"), Row("Label1", "Label", "Beschriftung"),
                     Row("FormT", "Title", "Titel"), Row("Action1", "Act", ""),
                     Row("Missing1", "x", "y")};
    data.Hints = {Row("Item1", "h", "H"), Row("Action1", "Hint", "Hinweis"), Row("FormT", "", "")};
    data.Strings = {Row("Item1.Marker", "", "m"), Row("Edit1.Text", "edit", "")};
    data.MessageDialogs = {Row("SMsgDlgError", "Error", "Fehler")};
    TLangTranslator translator(window.get(), data);

    translator.SetActiveLanguage(LangGerman);

    EXPECT_THAT(log.Entries,
                ElementsAre("FormT.windowTitle", "Item1.Caption", "Item1.Hint", "Item1.Marker"));
    EXPECT_EQ("Titel", window->windowTitle());
    EXPECT_EQ("Beschriftung", label->text());
    EXPECT_EQ("Act", action->text()) << "an empty German cell keeps the text";
    EXPECT_EQ("Hinweis", action->toolTip());
    EXPECT_EQ("", edit->text());
    EXPECT_EQ("Fehler", TMsgDlgCaptions::Caption("SMsgDlgError"));
    EXPECT_EQ("Deutsch", translator.Language());

    // Back to English: cells with text are applied, an empty one keeps what German set.
    edit->setText(QStringLiteral("typed"));
    translator.SetActiveLanguage(LangEnglish);
    EXPECT_EQ("Title", window->windowTitle());
    EXPECT_EQ("Label", label->text());
    EXPECT_EQ("edit", edit->text());
    EXPECT_EQ("m", item->property("Marker").toString());
    EXPECT_EQ("English", translator.Language());

    // Setting the active language again changes nothing.
    window->setWindowTitle(QStringLiteral("changed"));
    log.Entries.clear();
    translator.SetActiveLanguage(LangEnglish);
    EXPECT_TRUE(log.Entries.isEmpty());
    EXPECT_EQ("changed", window->windowTitle());
}

TEST_F(Translator, SetsFontsAndCharsetsOnlyWhereTheControlHasItsOwnFont) {
    QFont own = edit->font();
    own.setFamily(QStringLiteral("Own"));
    edit->setFont(own);
    TTranslationData data;
    data.Fonts = {Row("FormT", "", "Serif Sans"), Row("Edit1", "", "Mono Sans"),
                  Row("Label1", "", "Never")};
    data.Charsets = {Row("FormT", "", "DEFAULT_CHARSET"), Row("Label1", "", "DEFAULT_CHARSET")};
    TLangTranslator translator(window.get(), data);
    translator.SetActiveLanguage(LangGerman);

    EXPECT_EQ("Serif Sans", window->font().family());
    EXPECT_EQ("Mono Sans", edit->font().family());
    EXPECT_EQ("Serif Sans", label->font().family()) << "the label follows its parent";
    EXPECT_EQ("DEFAULT_CHARSET", window->property("FontCharset").toString());
    EXPECT_FALSE(label->property("FontCharset").isValid());
}

TEST_F(Translator, AssignsMultiLineTextsAsCommaTextAndCollectionItems) {
    auto* first = new QObject(window.get());
    auto* second = new QObject(window.get());
    first->setProperty("Caption", QStringLiteral("one"));
    second->setProperty("Caption", QStringLiteral("two"));
    window->setProperty("Items", QVariant::fromValue(QList<QObject*>{first, second}));
    window->setProperty("Lines", QStringList{QStringLiteral("a")});
    TTranslationData data;
    data.MultiLineTexts = {Row("FormT.Lines", "a", "eins,\"zwei drei\",\"vier \"\"4\"\"\"")};
    data.Collections = {Row("FormT.Items[1].Caption", "two", "zwei"),
                        Row("FormT.Items[7].Caption", "", "out of range")};
    TLangTranslator translator(window.get(), data);
    translator.SetActiveLanguage(LangGerman);

    EXPECT_THAT(window->property("Lines").toStringList(),
                ElementsAre("eins", "zwei drei", "vier \"4\""));
    EXPECT_EQ("one", first->property("Caption").toString());
    EXPECT_EQ("zwei", second->property("Caption").toString());
    translator.SetActiveLanguage(LangEnglish);
    EXPECT_THAT(window->property("Lines").toStringList(), ElementsAre("a"));
}

TEST_F(Translator, RejectsALanguageOutsideTheRangeAndKeepsItsOwn) {
    TLangTranslator translator(window.get(), {});
    TLangDispatcher dispatcher(window.get());
    for (int language : {0, 3, -1}) {
        for (auto set : {std::function<void()>([&] { translator.SetActiveLanguage(language); }),
                         std::function<void()>([&] { dispatcher.SetActiveLanguage(language); })}) {
            try {
                set();
                ADD_FAILURE() << "no error for " << language;
            } catch (const Exception& error) {
                EXPECT_EQ(QStringLiteral("%1 - is not a valid property value!\n"
                                         "Value must be within [1..2]!")
                              .arg(language)
                              .toStdString(),
                          error.Message());
            }
        }
    }
    EXPECT_EQ(LangEnglish, translator.ActiveLanguage());
    EXPECT_EQ(LangEnglish, dispatcher.ActiveLanguage());
}

TEST_F(Translator, TranslatesMessagesWithInsertedValues) {
    TTranslationData data;
    data.Messages = {Row("m1", "Unable to create directory", "Ordner kann nicht erstellt werden"),
                     Row("m2", "Cannot open \"%s\" (%d).\n%s", "\"%s\" (%d) geht nicht.\n%s"),
                     Row("m3", "Only English", "")};
    TLangTranslator translator(window.get(), data);
    EXPECT_EQ("Unable to create directory",
              translator.TranslateMessage("Unable to create directory"));
    translator.SetActiveLanguage(LangGerman);
    EXPECT_EQ("Ordner kann nicht erstellt werden",
              translator.TranslateMessage("Unable to create directory"));
    EXPECT_EQ("\"/a b\" (-5) geht nicht.\nweil.\nso",
              translator.TranslateMessage("Cannot open \"/a b\" (-5).\nweil.\nso"));
    EXPECT_EQ(std::nullopt, translator.TranslateMessage("Cannot open \"x\" (y).\n"));
    EXPECT_EQ(std::nullopt, translator.TranslateMessage("Only English"));
    EXPECT_EQ(std::nullopt, translator.TranslateMessage("Unable to create directory!"));
}

TEST(Dispatcher, LinksInOrderHandsOverItsLanguageAndForgetsTranslatorsThatGo) {
    TTranslationData data;
    data.Captions = {Row("Label1", "one", "eins")};
    auto newWindow = [](const char* name) {
        auto window = std::make_unique<QWidget>();
        window->setObjectName(QLatin1String(name));
        auto* label = new QLabel(QStringLiteral("one"), window.get());
        label->setObjectName(QStringLiteral("Label1"));
        return std::pair(std::move(window), label);
    };

    auto [first, firstLabel] = newWindow("First");
    auto dispatcher = std::make_unique<TLangDispatcher>(first.get());
    dispatcher->setObjectName(QStringLiteral("LangDispatcher1"));
    auto* firstTranslator = new TLangTranslator(first.get(), data);
    firstTranslator->SetLangDispatcher(dispatcher.get());
    dispatcher->SetActiveLanguage(LangGerman);
    EXPECT_EQ("eins", firstLabel->text());
    EXPECT_EQ("Deutsch", dispatcher->Language());

    // A window created after the switch comes up in the dispatcher's language when it links.
    auto [second, secondLabel] = newWindow("Second");
    auto* linked = new TLangLinkedTranslator(second.get(), data, "First.LangDispatcher1");
    EXPECT_EQ(dispatcher.get(), TLangDispatcher::Find("First.LangDispatcher1"));
    EXPECT_EQ(nullptr, TLangDispatcher::Find("Third.LangDispatcher1"));
    linked->Loaded();
    EXPECT_EQ("eins", secondLabel->text());
    EXPECT_EQ(LangGerman, linked->ActiveLanguage());
    EXPECT_EQ(QList<TLangTranslator*>({firstTranslator, linked}), dispatcher->Translators());

    // A window without the dispatcher keeps its design language.
    auto [third, thirdLabel] = newWindow("Third");
    auto* lonely = new TLangLinkedTranslator(third.get(), data, "Nowhere.LangDispatcher1");
    lonely->Loaded();
    EXPECT_EQ("one", thirdLabel->text());

    second.reset();
    EXPECT_EQ(QList<TLangTranslator*>({firstTranslator}), dispatcher->Translators());
    dispatcher->SetActiveLanguage(LangEnglish);
    EXPECT_EQ("one", firstLabel->text());
    dispatcher.reset();
    EXPECT_EQ(nullptr, firstTranslator->LangDispatcher());
}
} // namespace
