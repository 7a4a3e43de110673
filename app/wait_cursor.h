// The framework's wait cursor: shown while an object lives (nested uses stack).
#pragma once

#include <QGuiApplication>

namespace vermark {

class WaitCursor {
  public:
    WaitCursor() : active_(qGuiApp != nullptr) {
        if (active_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (active_) QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    bool active_;
};

}  // namespace vermark
