// QProcess and QNetworkAccessManager want an application object; gtest_main
// provides main(), so it is created as a test environment.
#include <gtest/gtest.h>
#include <QCoreApplication>

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QCoreApplication::instance()) app_ = new QCoreApplication(argc_, argv_);
  }
  void TearDown() override { delete app_; }

 private:
  int argc_ = 1;
  char name_[16] = "vendorsim_tests";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
