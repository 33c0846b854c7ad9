#pragma once
// Runs an operation that may throw (running out of memory, mostly) where no exception may pass: a COM
// method, a window procedure, a shell callback, the launcher's steps. A throw gives the neutral
// answer, the result type's empty value: false, an empty string, nothing at all.
#include <type_traits>

namespace pellicor
{

template <typename Operation> auto NoThrow(Operation&& operation) noexcept
{
    using Result = std::invoke_result_t<Operation&>;
    try
    {
        return operation();
    }
    catch (...)
    {
        if constexpr (!std::is_void_v<Result>)
            return Result{};
    }
}

} // namespace pellicor
