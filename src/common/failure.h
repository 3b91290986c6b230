#pragma once
// The one shape of an outcome below the window: a value, or a Failure that says what went wrong as
// a kind (which each front end turns into its own words), the English detail only this occurrence
// knows, and the system's reason when the system gave one.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <variant>

namespace kvx {

enum class FailureKind : int32_t {
#define KVX_FAILURE(name, english) name,
#include "common/failurekinds.def"
#undef KVX_FAILURE
};

struct Failure {
    FailureKind kind = FailureKind::Unexpected;
    std::string detail;          // English; a path, a name, the editor's last output
    std::error_code systemError; // the operating system's reason, when it gave one
};

// The kind's fixed English sentence, such as "File could not be opened.".
std::string_view englishSentence(FailureKind kind);

// The sentence, then the detail and the system's message, each on its own terms:
// "File could not be opened. hero.atlas: No such file or directory".
std::string englishText(const Failure &failure);

// A path as a failure's detail: UTF-8 on every platform.
std::string pathDetail(const std::filesystem::path &path);

// The system's message for an error code, in English where the platform allows it.
std::string systemMessage(const std::error_code &error);

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return state.index() == 0; }
    explicit operator bool() const { return ok(); }

    T &value() & { return std::get<0>(state); }
    const T &value() const & { return std::get<0>(state); }
    T &&value() && { return std::get<0>(std::move(state)); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }
    T &operator*() & { return value(); }
    const T &operator*() const & { return value(); }

    const Failure &failure() const { return std::get<1>(state); }

private:
    std::variant<T, Failure> state;
};

// The value of a success that carries none: `return Done{};`.
struct Done {};
using Status = Result<Done>;

inline Failure failure(FailureKind kind, std::string detail = {}, std::error_code systemError = {})
{
    return Failure{kind, std::move(detail), systemError};
}

} // namespace kvx
