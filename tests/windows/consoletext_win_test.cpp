// A windowed program's help reaches the pipes it was handed (as when a console redirects it).

#include "editor/processrunner.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(ConsoleTextWin, AWindowedProgramWritesToTheStreamsItWasHanded)
{
    ProcessRequest request;
    request.program = KVX_CONSOLEWRITER_PATH;
    const ProcessResult result = createProcessRunner()->run(request);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "Usage: h\xc3\xa9ro \xe5\xad\x97\nmistake\n");
}

} // namespace
} // namespace kvx
