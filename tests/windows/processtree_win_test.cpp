// ProcessTree on Windows: a program created suspended joins its job and runs; ending the tree
// ends the program and what it started.

#include "editor/processtree.h"
#include "support/testfiles.h"
#include "windows/wintestsupport.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kvx {
namespace {

using test::ScopedEnvironment;
using test::TempFolder;
using namespace std::chrono_literals;

TEST(ProcessTreeWin, EndingTheTreeEndsTheProgramAndTheCopyItStarted)
{
    TempFolder folder;
    // A name of its own, so that the copies of tests running at the same time are not counted.
    const std::wstring exeName = L"Spine-tree-" + std::to_wstring(GetCurrentProcessId()) + L".com";
    const std::filesystem::path program = folder / exeName;
    std::filesystem::copy_file(test::standinEditorPath(), program);
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("grandchild"));
    const ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));

    std::wstring commandLine = L"\"" + program.wstring() + L"\" --version";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                               CREATE_NO_WINDOW | ProcessTree::creationFlags(), nullptr, nullptr, &startup, &started));
    CloseHandle(started.hThread);
    ProcessTree tree;
    const Status adopted = tree.adopt(started.dwProcessId);
    ASSERT_TRUE(adopted) << englishText(adopted.failure());
    // Resumed: it runs and starts its lingering copy.
    ASSERT_TRUE(test::waitUntil([&] { return test::processIdsNamed(exeName).size() == 2; }, 20000ms));
    EXPECT_TRUE(tree.running());

    EXPECT_TRUE(tree.end(1000ms));
    EXPECT_FALSE(tree.running());
    EXPECT_EQ(WaitForSingleObject(started.hProcess, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(test::waitUntil([&] { return test::processIdsNamed(exeName).empty(); }, 3000ms));
    CloseHandle(started.hProcess);
}

} // namespace
} // namespace kvx
