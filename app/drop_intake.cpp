#include "app/drop_intake.h"

#include <QMimeData>
#include <QSysInfo>
#include <QUrl>

#include "app/qt_text.h"

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

}  // namespace vermark
