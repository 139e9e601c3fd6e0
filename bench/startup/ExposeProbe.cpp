// Linked into the start-up benchmark's programs only. Prints "exposed <width>x<height>" once
// the first window that is not a modal box has been exposed and its expose event handled (so
// its first frame is drawn), then quits the program the ordinary way.
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {
class TExposeProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!FDone && event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed() && window->modality() == Qt::NonModal) {
                FDone = true;
                const QSize size = window->size();
                // After the expose event itself, which paints the window.
                QTimer::singleShot(0, qApp, [size] {
                    std::printf("exposed %dx%d\n", size.width(), size.height());
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            }
        }
        return false;
    }

private:
    bool FDone = false;
};

void StartProbe() {
    qApp->installEventFilter(new TExposeProbe(qApp));
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(StartProbe)
