// Each test runs in a temporary tree of its own: HOME (drive C:), the XDG
// folders, and the folders that its drives map to. The platform layer reads the
// environment at every call, so setting it here is enough.
#pragma once

#include "Win32.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace veyra::win32::testing {

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string &Root() const { return root_; }
    const std::string &Home() const { return home_; }
    std::string HomePath(const std::string &relative) const { return home_ + "/" + relative; }
    std::string RootPath(const std::string &relative) const { return root_ + "/" + relative; }

    // Replaces drives.ini (through a new file, so the change is always seen).
    void WriteDrives(const std::string &text);

    static void MakeFolder(const std::string &path);
    static void WriteText(const std::string &path, const std::string &text);
    static std::string ReadText(const std::string &path);
    static bool Exists(const std::string &path);

private:
    std::string root_;
    std::string home_;
    std::string savedDirectory_;
};

// Runs body in a child process and answers its exit code (-1 when it did not
// exit normally). The child never returns into the test.
int RunInChild(const std::function<int()> &body);

} // namespace veyra::win32::testing
