#include "app/languages/TLangTranslator.h"

#include "app/languages/TLangDispatcher.h"
#include "app/languages/TMsgDlgCaptions.h"
#include "runtime/Exception.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QLocale>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QVariant>

namespace {
// The Qt property that stands for a table's property name on this object, or empty.
QByteArray QtPropertyName(const QObject* object, const QString& name) {
    const QByteArray wanted = name.toLatin1();
    const QMetaObject* meta = object->metaObject();
    if (meta->indexOfProperty(wanted.constData()) >= 0 ||
        object->dynamicPropertyNames().contains(wanted))
        return wanted;

    QList<QByteArray> candidates;
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (name == QLatin1String("Caption")) {
        if (widget && widget->isWindow())
            candidates = {"windowTitle"};
        else
            candidates = {"text", "title", "windowTitle"};
    } else if (name == QLatin1String("Hint")) {
        candidates = {"toolTip"};
    }
    for (const QByteArray& candidate : candidates)
        if (meta->indexOfProperty(candidate.constData()) >= 0) return candidate;

    // Otherwise the property of the same name in Qt's spelling (first letter small).
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const char* qtName = meta->property(i).name();
        if (name.compare(QLatin1String(qtName), Qt::CaseInsensitive) == 0) return qtName;
    }
    for (const QByteArray& dynamic : object->dynamicPropertyNames())
        if (name.compare(QLatin1String(dynamic), Qt::CaseInsensitive) == 0) return dynamic;
    return {};
}

void AssignText(QObject* object, const QString& property, const QString& text) {
    const QByteArray qtName = QtPropertyName(object, property);
    if (qtName.isEmpty()) return;
    if (object->property(qtName.constData()).toString() != text)
        object->setProperty(qtName.constData(), text);
}

// A control that takes its font from its parent keeps it; a window always has its own.
bool HasOwnFont(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (!widget) return object->metaObject()->indexOfProperty("font") >= 0;
    return widget->isWindow() || widget->testAttribute(Qt::WA_SetFont);
}

bool NeedsQuotes(const QString& item) {
    if (item.isEmpty()) return true;
    for (QChar c : item)
        if (c.unicode() <= u' ' || c == u',' || c == u'"') return true;
    return false;
}

// Comma text: items separated by commas; an item with blanks, commas or quotes is quoted
// with doubled inner quotes.
QString ToCommaText(const QStringList& items) {
    QStringList parts;
    for (const QString& item : items) {
        if (!NeedsQuotes(item)) {
            parts << item;
            continue;
        }
        QString quoted = item;
        quoted.replace(u'"', QStringLiteral("\"\""));
        parts << u'"' + quoted + u'"';
    }
    return parts.join(u',');
}

QStringList FromCommaText(const QString& text) {
    QStringList items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i].unicode() <= u' ')
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < n && text[i].unicode() > u' ' && text[i] != u',')
                item += text[i++];
        }
        items << item;
        skipBlanks();
        if (i < n && text[i] == u',') {
            ++i;
            skipBlanks();
            if (i == n) items << QString();
        }
    }
    return items;
}

// "Item.Property": the item and the property path after it.
std::pair<QString, QString> SplitPath(const QString& path) {
    const qsizetype dot = path.indexOf(u'.');
    if (dot < 0) return {path, QString()};
    return {path.left(dot), path.mid(dot + 1)};
}

// The placeholders a message pattern may hold.
const QRegularExpression& PlaceholderPattern() {
    static const QRegularExpression pattern(QStringLiteral("%[sd]"));
    return pattern;
}

// Matches a message against a pattern with "%s" and "%d" placeholders and returns the
// inserted values, or nothing when it does not match.
std::optional<QStringList> MatchMessage(const QString& pattern, const QString& message) {
    if (!pattern.contains(u'%')) {
        if (pattern == message) return QStringList();
        return std::nullopt;
    }
    QString expression = QStringLiteral("\\A");
    qsizetype last = 0;
    auto it = PlaceholderPattern().globalMatch(pattern);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        expression += QRegularExpression::escape(pattern.mid(last, match.capturedStart() - last));
        expression += match.captured() == QLatin1String("%d") ? QStringLiteral("(-?\\d+)")
                                                              : QStringLiteral("(.*?)");
        last = match.capturedEnd();
    }
    expression += QRegularExpression::escape(pattern.mid(last)) + QStringLiteral("\\z");
    const QRegularExpression regex(expression, QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = regex.match(message);
    if (!match.hasMatch()) return std::nullopt;
    QStringList values;
    for (int group = 1; group <= match.lastCapturedIndex(); ++group)
        values << match.captured(group);
    return values;
}

QString InsertValues(const QString& pattern, const QStringList& values) {
    QString result;
    qsizetype last = 0;
    int next = 0;
    auto it = PlaceholderPattern().globalMatch(pattern);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        result += pattern.mid(last, match.capturedStart() - last);
        result += values.value(next++);
        last = match.capturedEnd();
    }
    return result + pattern.mid(last);
}
} // namespace

TLangTranslator::TLangTranslator(QWidget* window, TTranslationData data)
    : QObject(window), FWindow(window), FData(std::move(data)) {}

TLangTranslator::~TLangTranslator() {
    if (FLangDispatcher) FLangDispatcher->Unlink(this);
}

QString TLangTranslator::RangeErrorText(int language, int count) {
    return QStringLiteral("%1 - is not a valid property value!\nValue must be within [1..%2]!")
        .arg(language)
        .arg(count);
}

void TLangTranslator::SetActiveLanguage(int language) {
    if (language < 1 || language > FNumOfLanguages)
        throw Exception(RangeErrorText(language, FNumOfLanguages).toStdString());
    if (language == FActiveLanguage) return;
    FActiveLanguage = language;
    FLanguage = FLangNames.value(language - 1);
    Apply(language);
}

void TLangTranslator::SetLangDispatcher(TLangDispatcher* dispatcher) {
    if (FLangDispatcher == dispatcher) return;
    if (FLangDispatcher) FLangDispatcher->Unlink(this);
    FLangDispatcher = dispatcher;
    if (dispatcher) dispatcher->Link(this);
}

void TLangTranslator::TakeLanguages(int count, const QStringList& names) {
    FNumOfLanguages = count;
    FLangNames = names;
    FLanguage = FLangNames.value(FActiveLanguage - 1);
}

std::optional<QString> TLangTranslator::TranslateMessage(const QString& message) const {
    return TranslateMessage(FData, FActiveLanguage, message);
}

std::optional<QString> TLangTranslator::TranslateMessage(const TTranslationData& data, int language,
                                                         const QString& message) {
    for (const TLangRow& row : data.Messages) {
        const QString translated = row.Text(language);
        if (translated.isEmpty()) continue;
        if (auto values = MatchMessage(row.Text(LangEnglish), message))
            return InsertValues(translated, *values);
    }
    return std::nullopt;
}

bool TLangTranslator::IsWindowName(const QString& name) const {
    return name == QLatin1String(FWindow->metaObject()->className()) ||
           (!FWindow->objectName().isEmpty() && name == FWindow->objectName());
}

QObject* TLangTranslator::FindItem(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    if (IsWindowName(name)) return FWindow;
    // Breadth-first through the window's own objects; other windows (dialogs owned by this
    // one) have their own translators.
    QObjectList level = FWindow->children();
    while (!level.isEmpty()) {
        QObjectList next;
        for (QObject* child : level) {
            if (child->objectName() == name) return child;
            const auto* widget = qobject_cast<QWidget*>(child);
            if (!widget || !widget->isWindow()) next += child->children();
        }
        level = next;
    }
    return nullptr;
}

void TLangTranslator::Apply(int language) {
    ApplyWindowRows(FData.Captions, "Caption", language);
    ApplyWindowRows(FData.Hints, "Hint", language);
    ApplyRows(FData.Captions, "Caption", language);
    ApplyRows(FData.Hints, "Hint", language);
    ApplyRows(FData.DisplayLabels, "DisplayLabel", language);
    ApplyFonts(language);
    ApplyMultiLineTexts(language);
    ApplyStrings(language);
    if (FChangeLocales) ApplyLocales(language);
    ApplyCollections(language);
    ApplyMessageDialogs(language);
    QEvent changed(QEvent::LanguageChange);
    QCoreApplication::sendEvent(FWindow, &changed);
}

void TLangTranslator::ApplyWindowRows(const TLangRows& rows, const char* property, int language) {
    for (const TLangRow& row : rows) {
        const QString text = row.Text(language);
        if (!text.isEmpty() && IsWindowName(row.Item))
            AssignText(FWindow, QLatin1String(property), text);
    }
}

void TLangTranslator::ApplyRows(const TLangRows& rows, const char* property, int language) {
    for (const TLangRow& row : rows) {
        const QString text = row.Text(language);
        if (text.isEmpty() || IsWindowName(row.Item)) continue; // the window's rows came first
        if (QObject* item = FindItem(row.Item)) AssignText(item, QLatin1String(property), text);
    }
}

void TLangTranslator::ApplyFonts(int language) {
    for (const TLangRow& row : FData.Fonts) {
        const QString family = row.Text(language);
        QObject* item = family.isEmpty() ? nullptr : FindItem(row.Item);
        if (!item || !HasOwnFont(item)) continue;
        QFont font = item->property("font").value<QFont>();
        if (font.family() == family) continue;
        font.setFamily(family);
        item->setProperty("font", font);
    }
    // Qt fonts have no character set of their own; it is kept beside the font.
    for (const TLangRow& row : FData.Charsets) {
        const QString charset = row.Text(language);
        QObject* item = charset.isEmpty() ? nullptr : FindItem(row.Item);
        if (item && HasOwnFont(item) && item->property("FontCharset").toString() != charset)
            item->setProperty("FontCharset", charset);
    }
}

void TLangTranslator::ApplyMultiLineTexts(int language) {
    for (const TLangRow& row : FData.MultiLineTexts) {
        const QString text = row.Text(language);
        if (text.isEmpty()) continue;
        const auto [itemName, property] = SplitPath(row.Item);
        QObject* item = FindItem(itemName);
        if (!item || property.isEmpty()) continue;
        const QByteArray qtName = QtPropertyName(item, property);
        if (qtName.isEmpty()) continue;
        if (ToCommaText(item->property(qtName.constData()).toStringList()) != text)
            item->setProperty(qtName.constData(), FromCommaText(text));
    }
}

void TLangTranslator::ApplyStrings(int language) {
    for (const TLangRow& row : FData.Strings) {
        const QString text = row.Text(language);
        if (text.isEmpty()) continue;
        const auto [itemName, property] = SplitPath(row.Item);
        if (QObject* item = FindItem(itemName); item && !property.isEmpty())
            AssignText(item, property, text);
    }
}

void TLangTranslator::ApplyLocales(int language) {
    for (const TLangRow& row : FData.Locales) {
        const QString name = row.Text(language);
        auto* widget = name.isEmpty() ? nullptr : qobject_cast<QWidget*>(FindItem(row.Item));
        if (widget && widget->locale().name() != QLocale(name).name())
            widget->setLocale(QLocale(name));
    }
}

void TLangTranslator::ApplyCollections(int language) {
    static const QRegularExpression path(
        QStringLiteral("\\A([^.\\[]+)\\.(\\w+)\\[(\\d+)\\]\\.(\\w+)\\z"));
    for (const TLangRow& row : FData.Collections) {
        const QString text = row.Text(language);
        const QRegularExpressionMatch match = path.match(row.Item);
        if (text.isEmpty() || !match.hasMatch()) continue;
        QObject* owner = FindItem(match.captured(1));
        if (!owner) continue;
        const QByteArray collection = QtPropertyName(owner, match.captured(2));
        if (collection.isEmpty()) continue;
        const auto items = owner->property(collection.constData()).value<QList<QObject*>>();
        const qsizetype index = match.captured(3).toLongLong();
        if (index < items.size() && items[index]) AssignText(items[index], match.captured(4), text);
    }
}

void TLangTranslator::ApplyMessageDialogs(int language) {
    for (const TLangRow& row : FData.MessageDialogs) {
        const QString text = row.Text(language);
        if (!text.isEmpty() && TMsgDlgCaptions::Caption(row.Item) != text)
            TMsgDlgCaptions::SetCaption(row.Item, text);
    }
}
