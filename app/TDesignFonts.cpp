#include "app/TDesignFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
void InstallSubstitutes() {
    static const bool installed = [] {
        // Narrow faces first, so the toolbar captions fit their 50-pixel buttons as they do
        // in Tahoma; the desktop's own font when none of them is there.
        const QStringList sans{QStringLiteral("Liberation Sans"),
                               QStringLiteral("Arimo"),
                               QStringLiteral("Arial"),
                               QStringLiteral("DejaVu Sans Condensed"),
                               QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(),
                               QStringLiteral("DejaVu Sans")};
        for (const char* family : {"MS Shell Dlg 2", "Tahoma"})
            QFont::insertSubstitutions(QLatin1String(family), sans);
        return true;
    }();
    (void)installed;
}

QFont DesignFont(const char* family) {
    InstallSubstitutes();
    QFont font{QString::fromLatin1(family)};
    font.setPointSize(8);
    return font;
}
} // namespace

QFont TDesignFonts::ShellDlg() {
    return DesignFont("MS Shell Dlg 2");
}

QFont TDesignFonts::Tahoma() {
    return DesignFont("Tahoma");
}
