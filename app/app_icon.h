// Icon 128, the application icon, from the resources compiled into the app library.
#pragma once

#include <QIcon>

namespace vermark {

QIcon application_icon();

}  // namespace vermark
