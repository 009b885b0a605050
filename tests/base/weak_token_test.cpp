#include "base/weak_token.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <thread>

namespace quillmar {
namespace {

struct Owner {
  int value = 7;
  WeakFactory<Owner> weak{this};
};

TEST(WeakToken, TokensAndPointersTurnFalseWhenTheirOwnerGoes) {
  WeakToken empty;
  WeakPtr<Owner> none;
  EXPECT_FALSE(empty);
  EXPECT_EQ(none.get(), nullptr);

  auto owner = std::make_unique<Owner>();
  const WeakToken token = owner->weak.Token();
  const WeakPtr<Owner> ptr = owner->weak.GetWeakPtr();
  const WeakPtr<Owner> copy = ptr;
  EXPECT_TRUE(token);
  ASSERT_TRUE(ptr);
  EXPECT_EQ(ptr->value, 7);
  EXPECT_EQ(copy.get(), owner.get());
  owner.reset();
  EXPECT_FALSE(token);
  EXPECT_FALSE(ptr);
  EXPECT_EQ(ptr.get(), nullptr);
  EXPECT_EQ(copy.get(), nullptr);
  // A new owner at the same address is not the old one.
  auto next = std::make_unique<Owner>();
  EXPECT_FALSE(token);
}

// A worker the owner joins makes a pointer; the owner's thread tests it later,
// as posted work does.
TEST(WeakToken, AWorkerMayMakeOneWhileTheOwnerLives) {
  auto owner = std::make_unique<Owner>();
  std::optional<WeakPtr<Owner>> made;
  std::thread worker([&] { made = owner->weak.GetWeakPtr(); });
  worker.join();
  ASSERT_TRUE(made.has_value());
  EXPECT_TRUE(*made);
  owner.reset();
  EXPECT_FALSE(*made);
}

}  // namespace
}  // namespace quillmar
