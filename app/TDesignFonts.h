#pragma once
// The fonts the windows are designed with. "MS Shell Dlg 2" and "Tahoma" keep their names
// (the translation tables name them) and are drawn with the desktop's sans-serif font.
// Thread contract: GUI thread only.
#include <QFont>

class TDesignFonts {
public:
    // "MS Shell Dlg 2" at 8 points.
    static QFont ShellDlg();
    // "Tahoma" at 8 points (the toolbars).
    static QFont Tahoma();
};
