#include "PlatformFixture.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veyra::win32::testing {

void PlatformTest::SetUp()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "veyra-platform-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    home_ = root_ + "/home";
    MakeFolder(home_);
    MakeFolder(root_ + "/config");
    MakeFolder(root_ + "/run");
    ::chmod((root_ + "/run").c_str(), 0700);
    ::setenv("HOME", home_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root_ + "/run").c_str(), 1);

    char current[PATH_MAX];
    ASSERT_NE(::getcwd(current, sizeof current), nullptr);
    savedDirectory_ = current;
    ASSERT_EQ(::chdir(home_.c_str()), 0);
}

void PlatformTest::TearDown()
{
    ASSERT_EQ(::chdir(savedDirectory_.c_str()), 0);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void PlatformTest::WriteDrives(const std::string &text)
{
    std::string folder = root_ + "/config/veyra";
    MakeFolder(folder);
    WriteText(folder + "/drives.ini.new", text);
    std::filesystem::rename(folder + "/drives.ini.new", folder + "/drives.ini");
}

void PlatformTest::MakeFolder(const std::string &path)
{
    std::filesystem::create_directories(path);
}

void PlatformTest::WriteText(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string PlatformTest::ReadText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool PlatformTest::Exists(const std::string &path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

int RunInChild(const std::function<int()> &body)
{
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace veyra::win32::testing
