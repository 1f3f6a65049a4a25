#include "base/win/scoped_variant.h"

#include <string>

#include "base/win/iunknown_impl.h"
#include "gtest/gtest.h"

namespace base {
namespace win {

namespace {

// Stands for any interface a VARIANT may hold: it counts its own references
// so that a test sees a leak (count stays up) or a double release (count
// below zero, where a real object would be used after it was freed).
class CountedObject : public IUnknownImpl {
 public:
  explicit CountedObject(int* live) : live_(live) { ++*live_; }

 private:
  ~CountedObject() override { --*live_; }
  int* live_;
};

// A VARIANT that holds the only reference to a new CountedObject.
VARIANT MakeObjectVariant(int* live) {
  VARIANT var;
  ::VariantInit(&var);
  IUnknown* object = new CountedObject(live);
  object->AddRef();
  V_VT(&var) = VT_UNKNOWN;
  V_UNKNOWN(&var) = object;
  return var;
}

TEST(ScopedVariantTest, StartsEmptyAndHasNoText) {
  ScopedVariant var;
  EXPECT_EQ(VT_EMPTY, var.type());
  std::wstring text = L"unchanged";
  EXPECT_FALSE(var.ToWide(&text));
  EXPECT_EQ(L"unchanged", text);
}

TEST(ScopedVariantTest, HoldsStringsNumbersAndBooleans) {
  ScopedVariant text(L"h\u00e9");
  EXPECT_EQ(VT_BSTR, text.type());
  std::string utf8;
  ASSERT_TRUE(text.ToUTF8(&utf8));
  EXPECT_EQ("h\xc3\xa9", utf8);

  ScopedVariant number(-42);
  EXPECT_EQ(VT_I4, number.type());
  EXPECT_EQ(-42, V_I4(&number.Get()));
  std::wstring wide;
  ASSERT_TRUE(number.ToWide(&wide));
  EXPECT_EQ(L"-42", wide);

  ScopedVariant yes(7, VT_BOOL);
  EXPECT_EQ(VT_BOOL, yes.type());
  EXPECT_EQ(VARIANT_TRUE, V_BOOL(&yes.Get()));
  ScopedVariant no(0, VT_BOOL);
  EXPECT_EQ(VARIANT_FALSE, V_BOOL(&no.Get()));

  // Replacing one kind by another frees the string first (checked for
  // objects below, where the release can be seen).
  text.SetInt(5);
  EXPECT_EQ(VT_I4, text.type());
  text.SetBool(false);
  EXPECT_EQ(VT_BOOL, text.type());
  ASSERT_TRUE(text.SetString(L""));
  ASSERT_TRUE(text.ToWide(&wide));
  EXPECT_EQ(L"", wide);
}

TEST(ScopedVariantTest, ReleasesAHeldObjectExactlyOnce) {
  int live = 0;
  {
    ScopedVariant var;
    var.Reset(MakeObjectVariant(&live));
    EXPECT_EQ(VT_UNKNOWN, var.type());
    EXPECT_EQ(1, live);
    // Resetting to the value it already holds must not release it.
    var.Reset(var.Get());
    EXPECT_EQ(1, live);
  }
  EXPECT_EQ(0, live);

  ScopedVariant var;
  var.Reset(MakeObjectVariant(&live));
  var.Reset(MakeObjectVariant(&live));
  EXPECT_EQ(1, live);  // The first one went when the second came.
  var.Reset();
  EXPECT_EQ(0, live);
  EXPECT_EQ(VT_EMPTY, var.type());
  var.Reset();  // Clearing an empty one again is harmless.
  EXPECT_EQ(0, live);
}

TEST(ScopedVariantTest, ReleaseHandsTheValueOver) {
  int live = 0;
  VARIANT taken;
  {
    ScopedVariant var;
    var.Reset(MakeObjectVariant(&live));
    taken = var.Release();
    EXPECT_EQ(VT_EMPTY, var.type());
  }
  // The owner went without releasing what it handed over.
  EXPECT_EQ(1, live);
  EXPECT_EQ(VT_UNKNOWN, V_VT(&taken));
  ::VariantClear(&taken);
  EXPECT_EQ(0, live);
}

TEST(ScopedVariantTest, ReceiveClearsTheOldValueForAnOutParameter) {
  int live = 0;
  ScopedVariant var;
  var.Reset(MakeObjectVariant(&live));
  VARIANT* slot = var.Receive();
  EXPECT_EQ(0, live);
  EXPECT_EQ(VT_EMPTY, V_VT(slot));
  // What a callee writes into the slot belongs to the ScopedVariant.
  *slot = MakeObjectVariant(&live);
  EXPECT_EQ(1, live);
  ASSERT_TRUE(var.SetString(L"text"));
  EXPECT_EQ(0, live);
}

}  // namespace

}  // namespace win
}  // namespace base
