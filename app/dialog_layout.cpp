#include "app/dialog_layout.h"

#include <QFontMetrics>
#include <QWidget>

namespace vermark {
namespace {

// MulDiv: a * b / c rounded to the nearest integer, halves away from zero.
int mul_div(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

QFont dialog_font(const QString& family, int points) {
    QFont font(family);
    font.setPointSize(points);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QSize dialog_base_units(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((letters / 26 + 1) / 2, metrics.height());
}

QRect map_dialog_rect(int x, int y, int cx, int cy, QSize base_units) {
    const int left = mul_div(x, base_units.width(), 4);
    const int right = mul_div(x + cx, base_units.width(), 4);
    const int top = mul_div(y, base_units.height(), 8);
    const int bottom = mul_div(y + cy, base_units.height(), 8);
    return QRect(left, top, right - left, bottom - top);
}

bool fit_to_client(QWidget* parent, QWidget* control, int margin, bool keep_top, bool keep_left,
                   bool keep_bottom, bool keep_right) {
    if (!parent || !control) return false;
    const PixelRect fitted =
        fit_edges_to_client(to_pixel_rect(control->geometry()), to_pixel_rect(parent->rect()),
                            margin, keep_top, keep_left, keep_bottom, keep_right);
    control->setGeometry(to_qrect(fitted));
    control->update();
    return true;
}

PixelRect to_pixel_rect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

QRect to_qrect(const PixelRect& rect) {
    return QRect(rect.left, rect.top, rect.width(), rect.height());
}

}  // namespace vermark
