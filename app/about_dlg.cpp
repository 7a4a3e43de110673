#include "app/about_dlg.h"

#include <QIcon>
#include <iostream>

#include "app/app_icon.h"
#include "app/dialog/about_text.h"
#include "app/dialog/string_table.h"
#include "app/dialog_layout.h"
#include "app/qt_text.h"
#include "util/path.h"

using namespace vermark;

namespace {

constexpr int kIconPixels = 32;
const char* const kControlId = "controlId";

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const QFont font = dialog_font(to_qstring(kAboutFontFamily), kDialogFontPoints);
    setFont(font);
    const QSize units = dialog_base_units(font);
    auto place = [&](QWidget& item, int id, int x, int y, int cx, int cy) {
        item.setParent(this);
        item.setProperty(kControlId, id);
        item.setGeometry(map_dialog_rect(x, y, cx, cy, units));
    };
    // The icon control takes the icon's own size at its top-left corner.
    place(icon_, -1, 11, 17, 18, 21);
    icon_.resize(kIconPixels, kIconPixels);
    icon_.setPixmap(application_icon().pixmap(kIconPixels));
    place(version_, 1000, 40, 17, 161, 8);
    version_.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    version_.setTextFormat(Qt::PlainText);
    version_.setText(to_qstring(kAboutTemplateVersion));
    place(copyright_, 1001, 40, 32, 161, 8);
    copyright_.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    copyright_.setTextFormat(Qt::PlainText);
    copyright_.setText(QStringLiteral("Copyright (C)"));
    place(ok_, 1, 208, 17, 20, 20);
    ok_.setText(QStringLiteral("OK"));
    ok_.setDefault(true);
    connect(&ok_, &QPushButton::clicked, this, &QDialog::accept);

    setWindowTitle(to_qstring(kAboutCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(map_dialog_rect(0, 0, 235, 55, units).size());
}

int CAboutDlg::DoModal() {
    if (!initialised_) OnInitDialog();
    return exec();
}

bool CAboutDlg::OnInitDialog() {
    initialised_ = true;
    const std::u16string path = get_arv();
    if (path.empty()) {
        std::cerr << "::get_arv() ... empty" << std::endl;
        return true;
    }
    const AboutTexts texts = about_texts(path);
    copyright_.setText(to_qstring(texts.copyright));
    version_.setText(to_qstring(texts.version));
    return true;
}

QWidget* CAboutDlg::GetDlgItem(int id) const {
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->property(kControlId).toInt() == id) return child;
    }
    return nullptr;
}
