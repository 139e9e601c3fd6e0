#include "app/languages/TQtTextTranslator.h"

#include "app/TUserMessages.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

void TQtTextTranslator::Install() {
    static QPointer<TQtTextTranslator> installed;
    QCoreApplication* application = QCoreApplication::instance();
    if (installed || !application) return;
    // The application owns it, so it goes with the application object.
    installed = new TQtTextTranslator(application);
    QCoreApplication::installTranslator(installed);
}

QString TQtTextTranslator::translate(const char* context, const char* sourceText, const char*,
                                     int) const {
    // Qt may ask from a thread of its own (a file system model's); the language lives on the
    // GUI thread, so those texts stay Qt's.
    const QCoreApplication* application = QCoreApplication::instance();
    if (!context || !sourceText || !application ||
        QThread::currentThread() != application->thread())
        return {};
    return TUserMessages::QtText(QLatin1String(context) + u'|' + QString::fromUtf8(sourceText));
}
