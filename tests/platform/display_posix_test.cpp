#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/display.h"
#include "platform/testing/environment.h"

namespace zuruza {
namespace {

// Sets an environment variable for one scope, or removes it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) {
      ::zuruza::testing::SetEnv(name, value);
    } else {
      ::zuruza::testing::UnsetEnv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::zuruza::testing::SetEnv(name_, old_->c_str());
    } else {
      ::zuruza::testing::UnsetEnv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(DisplayAnswers, NoDisplayOrOneThatDoesNotAnswer) {
  // A display number whose socket does not exist.
  int number = 93;
  std::error_code unknown;
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number), unknown)) ++number;
  const std::string missing = ":" + std::to_string(number);
  const struct Row {
    const char* display;
    const char* wayland;
  } rows[] = {
      {nullptr, nullptr}, {"", ""}, {missing.c_str(), nullptr}, {nullptr, "wayland-93-missing"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.display ? row.display : "(unset)");
    ScopedEnv display("DISPLAY", row.display);
    ScopedEnv wayland("WAYLAND_DISPLAY", row.wayland);
    EXPECT_FALSE(DisplayAnswers());
  }
}

}  // namespace
}  // namespace zuruza
