// One QApplication for the whole test program (offscreen), made before the first test runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <chrono>
#include <memory>

#include "app/dialog/background_work.h"

namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override {
        // As the program does: a render or load a closed dialog left running ends before Qt goes.
        vermark::wait_for_all_background_work(std::chrono::seconds(10));
        application_.reset();
    }

  private:
    int argc_ = 1;
    char name_[9] = "test_app";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
