#include "common/failure.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

Result<int> half(int number)
{
    if (number % 2 != 0)
        return failure(FailureKind::InvalidArgument, std::to_string(number) + " is odd");
    return number / 2;
}

TEST(Failure, ResultCarriesValueOrFailure)
{
    const Result<int> even = half(8);
    ASSERT_TRUE(even.ok());
    EXPECT_EQ(*even, 4);
    const Result<int> odd = half(3);
    ASSERT_FALSE(odd);
    EXPECT_EQ(odd.failure().kind, FailureKind::InvalidArgument);
}

TEST(Failure, EnglishTextJoinsSentenceDetailAndSystemReason)
{
    const struct {
        Failure failure;
        std::string expected;
    } cases[] = {
        {failure(FailureKind::FileOpen), "File could not be opened."},
        {failure(FailureKind::FileOpen, "hero.atlas"), "File could not be opened. hero.atlas"},
        {failure(FailureKind::FileWrite, "out.png", std::make_error_code(std::errc::no_space_on_device)),
         "File could not be written. out.png: " + std::make_error_code(std::errc::no_space_on_device).message()},
        {failure(FailureKind::FolderCreate, {}, std::make_error_code(std::errc::permission_denied)),
         "Folder could not be created. " + std::make_error_code(std::errc::permission_denied).message()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(englishText(c.failure), c.expected);
}

} // namespace
} // namespace kvx
