// The C++ runtime's own failures (a length past the maximum, an index out of
// range, a number that does not parse), raised for the shipped programs
// without the runtime's std::logic_error family: those classes keep their
// message in a copy-on-write string, and linking them brings a second string
// implementation and what it drags along, some 80 KB per program. The shipped
// code catches these failures only as std::exception, which they still are,
// with the runtime's own message; std::bad_alloc and its kin stay themselves,
// since callers tell running out of memory apart.
//
// Every function of the runtime's set is defined, so that its own object,
// which defines them all together, is never linked.
#include <bits/functexcept.h>

#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {
// The runtime's formatter for these messages (%s and %zu), kept in an object
// of its own.
int __snprintf_lite(char* buffer, std::size_t size, const char* format, va_list arguments);
} // namespace __gnu_cxx

namespace {

class RuntimeLibraryError : public std::exception {
  public:
    explicit RuntimeLibraryError(const char* message) {
        std::strncpy(message_, message, sizeof message_ - 1);
        message_[sizeof message_ - 1] = '\0';
    }
    RuntimeLibraryError(const char* format, va_list arguments) {
        __gnu_cxx::__snprintf_lite(message_, sizeof message_, format, arguments);
    }
    const char* what() const noexcept override { return message_; }

  private:
    // Room for the runtime's longest format with its numbers expanded.
    char message_[512];
};

} // namespace

namespace std {

void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_logic_error(const char* message) {
    throw RuntimeLibraryError(message);
}
void __throw_domain_error(const char* message) {
    throw RuntimeLibraryError(message);
}
void __throw_invalid_argument(const char* message) {
    throw RuntimeLibraryError(message);
}
void __throw_length_error(const char* message) {
    throw RuntimeLibraryError(message);
}
void __throw_out_of_range(const char* message) {
    throw RuntimeLibraryError(message);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    RuntimeLibraryError error(format, arguments);
    va_end(arguments);
    throw error;
}
void __throw_runtime_error(const char* message) {
    throw RuntimeLibraryError(message);
}
void __throw_range_error(const char* message) {
    throw RuntimeLibraryError(message);
}
void __throw_overflow_error(const char* message) {
    throw RuntimeLibraryError(message);
}
void __throw_underflow_error(const char* message) {
    throw RuntimeLibraryError(message);
}

} // namespace std
