#include "platform/app_context.h"

namespace vermark::platform {

namespace {

std::optional<ApplicationObject>& installed() {
    static std::optional<ApplicationObject> application;
    return application;
}

}  // namespace

const ApplicationObject* application_object() {
    return installed() ? &*installed() : nullptr;
}

void install_application_object(ApplicationObject application) {
    installed() = std::move(application);
}

void remove_application_object() {
    installed().reset();
}

ScopedApplicationObject::ScopedApplicationObject(ApplicationObject application)
    : previous_(installed()) {
    installed() = std::move(application);
}

ScopedApplicationObject::~ScopedApplicationObject() {
    installed() = std::move(previous_);
}

}  // namespace vermark::platform
