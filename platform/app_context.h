// The process-wide "application object": what the settings store learns from the running
// application, namely the registry key that sends settings to the registry (none in this
// program) and the profile name (the full path of the settings INI file).
//
// The dialog's application installs it at start with the INI path; the command line and most
// tests run without one, and the settings store then reads and writes INI files directly,
// bypassing its cache and its read log.
#pragma once

#include <optional>
#include <string>

namespace vermark::platform {

struct ApplicationObject {
    // Set: settings go to the registry under "Software\" + this key. Unset: the INI file.
    std::optional<std::u16string> registry_key;
    // The profile: INI file path, or the profile's name within the registry key.
    std::u16string profile_name;
};

// The installed application object, or null when there is none.
const ApplicationObject* application_object();

void install_application_object(ApplicationObject application);
void remove_application_object();

// Installs an application object for one scope and restores the previous state after it.
class ScopedApplicationObject {
  public:
    explicit ScopedApplicationObject(ApplicationObject application);
    ~ScopedApplicationObject();
    ScopedApplicationObject(const ScopedApplicationObject&) = delete;
    ScopedApplicationObject& operator=(const ScopedApplicationObject&) = delete;

  private:
    std::optional<ApplicationObject> previous_;
};

}  // namespace vermark::platform
