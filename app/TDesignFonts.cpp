#include "app/TDesignFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
void InstallSubstitutes() {
    static const bool installed = [] {
        const QStringList sans{QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(),
                               QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                               QStringLiteral("Noto Sans"), QStringLiteral("FreeSans")};
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
