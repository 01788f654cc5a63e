// The runtime heap: constants are never freed or resized in place, copies stop at the end
// of the constant area, and allocation failure is a runtime error naming the size.
#include <cstring>
#include <limits>

#include "runtime/core_services.h"
#include "runtime/helpers.h"
#include "runtime/value.h"
#include "tests/runtime/runtime_fixture.h"

namespace rt_test {
namespace {

// A constant area as the program carries it; reading past its end is caught by the sanitizers.
char area_[16];

class MemoryTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    std::memcpy(area_, "ABC\0hello\0tail", 14);
    rt::add_constant_range(area_, sizeof area_);
  }
};

TEST_F(MemoryTest, FreeLeavesNullAndConstantsAlone) {
  rt::free(nullptr);
  rt::free(area_);      // a text constant
  rt::free(area_ + 5);  // a pointer into the middle of the area
  EXPECT_STREQ(area_ + 4, "hello");
  EXPECT_TRUE(rt::in_constant_range(area_ + 15));
  EXPECT_FALSE(rt::in_constant_range(area_ + 16));
  rt::free(rt::alloc(10));  // a heap block is really freed (checked by the sanitizers)
}

TEST_F(MemoryTest, ReallocOfAConstantCopiesUpToTheAreaEnd) {
  // From "hello" to the end of the area are 12 bytes; asking for 64 copies exactly those.
  auto* grown = static_cast<char*>(rt::realloc(area_ + 4, 64));
  ASSERT_NE(grown, area_ + 4);
  EXPECT_EQ(std::memcmp(grown, area_ + 4, 12), 0);
  EXPECT_FALSE(rt::in_constant_range(grown));
  EXPECT_STREQ(area_ + 4, "hello");  // the constant stays
  rt::free(grown);

  auto* shrunk = static_cast<char*>(rt::realloc(area_, 2));
  EXPECT_EQ(std::memcmp(shrunk, "AB", 2), 0);
  auto* from_null = static_cast<char*>(rt::realloc(nullptr, 4096));  // as alloc
  std::memcpy(from_null, "wxyz", 4);
  shrunk = static_cast<char*>(rt::realloc(shrunk, 4096));  // heap blocks keep their bytes
  EXPECT_EQ(std::memcmp(shrunk, "AB", 2), 0);
  rt::free(shrunk);
  rt::free(from_null);
}

TEST_F(MemoryTest, FreeArrayOfTextsFreesEveryElementButConstants) {
  uint8_t* a = rt::new_array(3, sizeof(void*));
  char* elements[3] = {rt::new_text("one"), nullptr, area_ + 4};
  std::memcpy(rt::array_elements(a), elements, sizeof elements);
  rt::runtime_service(rt::service::kFreeArray, rt::kText, reinterpret_cast<intptr_t>(a));  // sanitizers catch misses
  EXPECT_STREQ(area_ + 4, "hello");
  rt::free_array(rt::kText, nullptr);
}

TEST_F(MemoryTest, MakeArrayWritableCopiesOnlyConstantBlocks) {
  // An empty constant array { 1, 0 } and a constant byte array { 1, 3, 7 8 9 }.
  alignas(4) static uint8_t constants[20] = {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 7, 8, 9, 0};
  rt::add_constant_range(constants, sizeof constants);
  void* empty = constants;
  void* bytes = constants + 8;
  rt::startup_service(rt::startup_op::kMakeArrayWritable, 1, reinterpret_cast<intptr_t>(&empty));
  rt::startup_service(rt::startup_op::kMakeArrayWritable, 1, reinterpret_cast<intptr_t>(&bytes));
  ASSERT_FALSE(rt::in_constant_range(empty));
  ASSERT_FALSE(rt::in_constant_range(bytes));
  EXPECT_EQ(rt::array_count(static_cast<uint8_t*>(empty)), 0u);
  EXPECT_EQ(std::memcmp(bytes, constants + 8, 11), 0);

  void* again = bytes;  // a heap array is already writable
  rt::startup_service(rt::startup_op::kMakeArrayWritable, 1, reinterpret_cast<intptr_t>(&again));
  EXPECT_EQ(again, bytes);
  rt::free(empty);
  rt::free(bytes);
}

TEST_F(MemoryTest, AllocationFailureIsARuntimeErrorWithTheSize) {
  // More than any address space holds, at 32 bits too (where half of it may be had).
  const size_t huge = std::numeric_limits<size_t>::max() - 4095;
  EXPECT_EQ(rt::alloc_or_null(huge), nullptr);
  EXPECT_EQ(rt::runtime_service(rt::service::kAlloc, static_cast<intptr_t>(huge), 1), 0);
  EXPECT_EQ(exit_code_of([&] { rt::alloc(huge); }), -1);
  ASSERT_EQ(backend().message_boxes().size(), 1u);
  EXPECT_EQ(backend().message_boxes()[0].text,
            gbk("运行时出错!\r\n\r\n错误信息：分配 " + std::to_string(huge) + " 字节内存失败!\r\n"));
  char* kept = rt::new_text("x");  // a failed resize keeps the old block
  EXPECT_EQ(exit_code_of([&] { rt::realloc(kept, huge); }), -1);
  EXPECT_STREQ(kept, "x");
  rt::free(kept);
}

}  // namespace
}  // namespace rt_test
