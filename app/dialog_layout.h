// Building windows from the dialog templates' geometry: dialog units converted to pixels with
// the dialog font's metrics, and the 1-pixel layout that keeps controls against the client edges.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "app/dialog/control_layout.h"

class QWidget;

namespace vermark {

// The dialog font: `family` at `points`, as the template names it.
QFont dialog_font(const QString& family, int points);

// Horizontal and vertical dialog base units of a font: the average width of the 52 Latin
// letters, rounded, and the character height.
QSize dialog_base_units(const QFont& font);

// Dialog units to pixels (MapDialogRect): x and widths in quarters of the average width, y and
// heights in eighths of the height, each edge rounded.
QRect map_dialog_rect(int x, int y, int cx, int cy, QSize base_units);

// Moves `control` (a child of `parent`) to fit the parent's client area (fit_edges_to_client)
// and repaints
// it. False, with nothing moved, when either is missing.
bool fit_to_client(QWidget* parent, QWidget* control, int margin, bool keep_top, bool keep_left,
                   bool keep_bottom, bool keep_right);

PixelRect to_pixel_rect(const QRect& rect);
QRect to_qrect(const PixelRect& rect);

}  // namespace vermark
