#include "AppTestSupport.h"

#include "app/TApplicationErrors.h"
#include "settings/u_Config.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QUuid>

#include <cstdlib>

std::string TestHome() {
    return std::getenv("HOME");
}

QString NewTestFolder(const QString& name) {
    const QString path = QString::fromStdString(TestHome()) + QStringLiteral("/t-") +
                         QUuid::createUuid().toString(QUuid::Id128).left(8) + u'/' + name;
    QDir().mkpath(path);
    return path;
}

TSettingsScope::TSettingsScope() {
    InitializeSettings();
}

TSettingsScope::~TSettingsScope() {
    try {
        FinalizeSettings();
    } catch (...) {
    }
}

TShownMessages::TShownMessages() {
    TApplicationErrors::SetDisplay([this](QWidget*, const TUserMessage& message) {
        FMessages << message.Text;
        FShown.push_back(message);
    });
}

bool HoldsNoCode(const QString& text) {
    static const QRegularExpression code(
        QStringLiteral("\\$[0-9A-Fa-f]{4,8}|0x[0-9A-Fa-f]+|errno|Reason:|->|\\(\\d+\\)"));
    return !code.match(text).hasMatch();
}

TShownMessages::~TShownMessages() {
    TApplicationErrors::SetDisplay(nullptr);
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds) {
    return QTest::qWaitFor(condition, milliseconds);
}
