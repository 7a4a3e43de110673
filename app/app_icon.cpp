#include "app/app_icon.h"

// Resources in a static library are registered by hand; the macro must stand outside namespaces.
static void register_app_resources() {
    Q_INIT_RESOURCE(vermark);
}

namespace vermark {

QIcon application_icon() {
    static const bool registered = (register_app_resources(), true);
    (void)registered;
    return QIcon(QStringLiteral(":/vermark/vermark.svg"));
}

}  // namespace vermark
