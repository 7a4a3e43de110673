// Shared set-up for the profile store tests: each test starts like a fresh program run (empty
// caches, no application object, tick count unshifted) with its own folder for INI files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/app_context.h"
#include "platform/profile.h"
#include "platform/tick.h"
#include "platform/wide.h"
#include "settings/profile_cache.h"
#include "support/sandbox.h"

namespace vermark::testing {

class ProfileStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_profile_process_state();
        platform::reset_tick_count_shift();
        platform::remove_application_object();
        folder_ = fresh_folder("profile-store");
    }
    void TearDown() override {
        platform::remove_application_object();
        platform::reset_tick_count_shift();
        reset_profile_process_state();
    }

    // A store name (full path, no extension) and the INI file it leads to.
    std::u16string name(std::string_view stem = "Vermark") const {
        return platform::from_utf8((folder_ / std::string(stem)).string());
    }
    std::filesystem::path file(std::string_view stem = "Vermark") const {
        return folder_ / (std::string(stem) + ".ini");
    }
    std::u16string ini(std::string_view stem = "Vermark") const {
        return platform::from_utf8(file(stem).string());
    }

    // The application object of the dialog: INI mode on this test's file.
    void install_application(std::string_view stem = "Vermark") {
        platform::install_application_object({std::nullopt, ini(stem)});
    }

    // What the file holds, read past every cache.
    std::u16string on_disk(std::u16string_view section, std::u16string_view key,
                           std::string_view stem = "Vermark") const {
        char16_t buffer[512];
        const auto n =
            platform::GetPrivateProfileStringW(section, key, u"<absent>", buffer, 512, ini(stem));
        return std::u16string(buffer, n);
    }

    // Makes the next cache put flush both caches.
    static void let_cache_expire() { platform::advance_tick_count(11'000); }

    std::filesystem::path folder_;
};

}  // namespace vermark::testing
