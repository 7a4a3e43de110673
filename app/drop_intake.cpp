#include "app/drop_intake.h"

#include <QMimeData>
#include <QSysInfo>
#include <QUrl>

#include "app/qt_text.h"
#include "platform/shell_link.h"
#include "util/path.h"

namespace vermark {
namespace {

// Some file managers name the machine in their file URLs (file://localhost/..., or its host
// name). Qt turns any host into a network path "//host/...", which Linux reads as "/host/...".
bool names_this_machine(const QString& host) {
    return host.isEmpty() || host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 ||
           host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::vector<std::u16string> dropped_paths(const QMimeData& drop) {
    std::vector<std::u16string> paths;
    for (QUrl url : drop.urls()) {
        // A file on another machine is no file here.
        if (!url.isLocalFile() || !names_this_machine(url.host())) continue;
        url.setHost(QString());
        paths.push_back(from_qstring(url.toLocalFile()));
    }
    return paths;
}

std::u16string resolve_dropped_path(const std::u16string& path) {
    if (extension_lower_of(path) == u"lnk") return resolve_shortcut(path);
    if (is_symbolic_link(path)) {
        // A dangling link stays as it is and fails quietly when read, like a missing file.
        std::u16string target = long_path_name(path);
        return target.empty() ? path : target;
    }
    return path;
}

std::u16string resolve_shortcut(const std::u16string& path) {
    if (!exists(path, false)) return {};
    return shell_link_target(path);
}

}  // namespace vermark
