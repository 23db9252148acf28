#include "VxdFixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veyra::vxd::test {
namespace {

constexpr const char *kEnvironment[] = {"HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"};

std::string ReadText(const std::string &path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

void VxdTest::SetUp()
{
    const char *home = std::getenv("HOME");
    std::string pattern = std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/vxd-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    tree_ = pattern;
    for (const char *name : kEnvironment) {
        const char *value = std::getenv(name);
        savedEnvironment_.emplace_back(name, value != nullptr ? value : "");
    }
    ASSERT_EQ(mkdir((tree_ + "/run").c_str(), 0700), 0);
    setenv("HOME", tree_.c_str(), 1);
    setenv("XDG_STATE_HOME", (tree_ + "/state").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (tree_ + "/run").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (tree_ + "/config").c_str(), 1);
    TVRCM_MainCardInfoInitialize();
    TVRCM_CardInfoTableInitialize();
}

void VxdTest::TearDown()
{
    for (const auto &[name, value] : savedEnvironment_) {
        if (value.empty()) {
            unsetenv(name.c_str());
        } else {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(tree_, ignored);
}

ToolRun VxdTest::tool(const std::vector<std::string> &arguments)
{
    const std::string outPath = tree_ + "/tool.out";
    const std::string errPath = tree_ + "/tool.err";
    std::vector<std::string> argv{VEYRA_CARD_TOOL};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char *> pointers;
    for (std::string &argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(outPath), ReadText(errPath)};
}

std::string VxdTest::toolOk(const std::vector<std::string> &arguments)
{
    const ToolRun run = tool(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
}

JsonValue VxdTest::show(bool secrets)
{
    std::vector<std::string> arguments{"show", "--json"};
    if (secrets) {
        arguments.push_back("--secrets");
    }
    return JsonValue::Parse(toolOk(arguments));
}

JsonValue VxdTest::status()
{
    return JsonValue::Parse(toolOk({"status", "--json"}));
}

tagCM_CARDINFOREQUEST_STATUS VxdTest::cardInfo()
{
    tagCM_CARDINFOREQUEST_STATUS info{};
    EXPECT_EQ(call(TVRCM_CardInfoRequest, tagCM_CARDINFOREQUEST{}, info), 0);
    return info;
}

int32_t VxdTest::passwordInput(const std::string &userId, const std::string &password)
{
    tagCM_PASSWORDINPUT request{};
    PutField(request.UserId, userId);
    PutField(request.Password, password);
    return call(TVRCM_PasswordInput, request);
}

int32_t VxdTest::stateReset(uint8_t kind)
{
    tagCM_CARDSTATERESET request{kind};
    return call(TVRCM_CardStateReset, request);
}

} // namespace veyra::vxd::test
