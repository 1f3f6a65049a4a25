#include "base/win/iunknown_impl.h"

#include <oaidl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "gtest/gtest.h"

namespace base {
namespace win {

namespace {

// Counts the objects alive, so that a test sees exactly when one goes.
int g_live_objects = 0;

// A single-interface object: IUnknown only.
class PlainObject : public IUnknownImpl {
 public:
  PlainObject() { ++g_live_objects; }

 private:
  ~PlainObject() override { --g_live_objects; }
};

// An object with two COM interfaces besides IUnknown, written the way the
// notifier's own objects are.
class TwoInterfaceObject : public IUnknownImpl,
                           public IOleWindow,
                           public IPersist {
 public:
  TwoInterfaceObject() { ++g_live_objects; }

  IUNKNOWN_IMPL_FORWARD()
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
    if (!object)
      return E_POINTER;
    if (riid == IID_IOleWindow) {
      *object = static_cast<IOleWindow*>(this);
    } else if (riid == IID_IPersist) {
      *object = static_cast<IPersist*>(this);
    } else {
      return IUnknownImpl::QueryInterface(riid, object);
    }
    AddRef();
    return S_OK;
  }

  STDMETHODIMP GetWindow(HWND* window) override {
    *window = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetClassID(CLSID* id) override {
    *id = CLSID_NULL;
    return S_OK;
  }

 private:
  ~TwoInterfaceObject() override { --g_live_objects; }
};

class IUnknownImplTest : public testing::Test {
 protected:
  void SetUp() override { g_live_objects = 0; }
  void TearDown() override { EXPECT_EQ(0, g_live_objects); }
};

TEST_F(IUnknownImplTest, CountStartsAtZeroAndTheLastReleaseDeletes) {
  PlainObject* object = new PlainObject();
  EXPECT_EQ(1, g_live_objects);
  EXPECT_EQ(1u, object->AddRef());
  EXPECT_EQ(2u, object->AddRef());
  EXPECT_EQ(1u, object->Release());
  EXPECT_EQ(1, g_live_objects);
  EXPECT_EQ(0u, object->Release());
  EXPECT_EQ(0, g_live_objects);
}

TEST_F(IUnknownImplTest, AnswersIUnknownAndRefusesOtherInterfaces) {
  Microsoft::WRL::ComPtr<IUnknown> object = new PlainObject();
  Microsoft::WRL::ComPtr<IUnknown> unknown;
  ASSERT_EQ(S_OK, object->QueryInterface(
                      IID_IUnknown,
                      reinterpret_cast<void**>(unknown.GetAddressOf())));
  EXPECT_EQ(object.Get(), unknown.Get());

  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IDispatch, &other));
  // A refused query clears the out-parameter, as COM requires.
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
}

TEST_F(IUnknownImplTest, ComPtrHoldsAndReleasesTheObject) {
  {
    Microsoft::WRL::ComPtr<IUnknown> first = new PlainObject();
    Microsoft::WRL::ComPtr<IUnknown> second = first;
    first.Reset();
    EXPECT_EQ(1, g_live_objects);
    Microsoft::WRL::ComPtr<IUnknown> moved = std::move(second);
    EXPECT_EQ(nullptr, second.Get());
    EXPECT_EQ(1, g_live_objects);
  }
  EXPECT_EQ(0, g_live_objects);
}

TEST_F(IUnknownImplTest, SeveralInterfacesShareOneCountAndOneIdentity) {
  Microsoft::WRL::ComPtr<TwoInterfaceObject> object = new TwoInterfaceObject();
  Microsoft::WRL::ComPtr<IOleWindow> window;
  Microsoft::WRL::ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, object.As(&window));
  ASSERT_EQ(S_OK, object.As(&persist));
  CLSID id;
  EXPECT_EQ(S_OK, persist->GetClassID(&id));
  HWND hwnd = reinterpret_cast<HWND>(1);
  EXPECT_EQ(E_NOTIMPL, window->GetWindow(&hwnd));

  // COM identity: IUnknown asked through either interface is one pointer.
  Microsoft::WRL::ComPtr<IUnknown> from_window;
  Microsoft::WRL::ComPtr<IUnknown> from_persist;
  ASSERT_EQ(S_OK, window.As(&from_window));
  ASSERT_EQ(S_OK, persist.As(&from_persist));
  EXPECT_EQ(from_window.Get(), from_persist.Get());

  Microsoft::WRL::ComPtr<IDispatch> dispatch;
  EXPECT_EQ(E_NOINTERFACE, object.As(&dispatch));

  // Every reference, whichever interface it came through, counts once.
  object.Reset();
  window.Reset();
  persist.Reset();
  from_window.Reset();
  EXPECT_EQ(1, g_live_objects);
  from_persist.Reset();
  EXPECT_EQ(0, g_live_objects);
}

}  // namespace

}  // namespace win
}  // namespace base
