#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_TRIGGER_INTERFACES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_TRIGGER_INTERFACES_H_

#include <windows.h>

#include <taskschd.h>

// Task Scheduler 2.0 trigger interfaces that the mingw-w64 headers lack,
// declared as the platform defines them (methods beyond ITrigger's in vtable
// order).

#ifndef __IRegistrationTrigger_INTERFACE_DEFINED__
#define __IRegistrationTrigger_INTERFACE_DEFINED__
MIDL_INTERFACE("4c8fec3a-c218-4e0c-b23d-629024db91a2")
IRegistrationTrigger : public ITrigger {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR * delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};
__CRT_UUID_DECL(IRegistrationTrigger,
                0x4c8fec3a,
                0xc218,
                0x4e0c,
                0xb2,
                0x3d,
                0x62,
                0x90,
                0x24,
                0xdb,
                0x91,
                0xa2)
#endif

#ifndef __ILogonTrigger_INTERFACE_DEFINED__
#define __ILogonTrigger_INTERFACE_DEFINED__
MIDL_INTERFACE("72dade38-fae4-4b3e-baf4-5d009af02b1c")
ILogonTrigger : public ITrigger {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR * delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR * user) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
__CRT_UUID_DECL(ILogonTrigger,
                0x72dade38,
                0xfae4,
                0x4b3e,
                0xba,
                0xf4,
                0x5d,
                0x00,
                0x9a,
                0xf0,
                0x2b,
                0x1c)
#endif

#ifndef __IBootTrigger_INTERFACE_DEFINED__
#define __IBootTrigger_INTERFACE_DEFINED__
MIDL_INTERFACE("2a9c35da-d357-41f4-bbc1-207ac1b1f3cb")
IBootTrigger : public ITrigger {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR * delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};
__CRT_UUID_DECL(IBootTrigger,
                0x2a9c35da,
                0xd357,
                0x41f4,
                0xbb,
                0xc1,
                0x20,
                0x7a,
                0xc1,
                0xb1,
                0xf3,
                0xcb)
#endif

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_TRIGGER_INTERFACES_H_
