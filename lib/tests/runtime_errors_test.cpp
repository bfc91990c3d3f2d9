// Runs with the shipped programs' replacement of the C++ runtime's failures
// linked in: the same messages and memory failures, as std::exception.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace setupkit {
namespace {

struct Failure {
    const char* name;
    void (*fail)();
    const char* message;
};

const Failure kFailures[] = {
    {"string index", [] { (void)std::string("ab").at(5); },
     "basic_string::at: __n (which is 5) >= this->size() (which is 2)"},
    {"vector index", [] { (void)std::vector<int>(2).at(7); },
     "vector::_M_range_check: __n (which is 7) >= this->size() (which is 2)"},
    {"string length", [] { std::string().reserve(std::string().max_size() + 1); },
     "basic_string::_M_create"},
    {"vector length", [] { std::vector<int>().reserve(std::vector<int>().max_size() + 1); },
     "vector::reserve"},
    {"not a number", [] { (void)std::stoull("x"); }, "stoull"},
    {"number too large", [] { (void)std::stoull("99999999999999999999999"); }, "stoull"},
};

TEST(RuntimeErrors, KeepTheRuntimesMessagesAsStdException) {
    for (const Failure& failure : kFailures) {
        SCOPED_TRACE(failure.name);
        try {
            failure.fail();
            ADD_FAILURE() << "nothing thrown";
        } catch (const std::exception& error) {
            EXPECT_STREQ(error.what(), failure.message);
            // Not the runtime's own class: that one is what the shipped
            // programs are kept from linking.
            EXPECT_EQ(dynamic_cast<const std::logic_error*>(&error), nullptr);
        }
    }
}

TEST(RuntimeErrors, MemoryFailuresStayTheirOwnKinds) {
    std::allocator<std::uint32_t> allocator;
    // Past the allocator's limit, and past what the byte count can hold.
    EXPECT_THROW((void)allocator.allocate(SIZE_MAX / 4 - 1), std::bad_alloc);
    EXPECT_THROW((void)allocator.allocate(SIZE_MAX / 2), std::bad_array_new_length);
}

} // namespace
} // namespace setupkit
