#pragma once
// A fresh folder in the temporary folder for the running test. The name is
// new on every run, so test runs of several build trees at once never meet.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

namespace setupkit::builder::testing {

inline std::filesystem::path MakeScratchDir() {
    std::random_device random;
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string name =
        "setupkit-builder-" +
        std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
        std::to_string(random()) + "-" + std::to_string(tick);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace setupkit::builder::testing
