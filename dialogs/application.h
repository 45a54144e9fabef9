#pragma once

#include <windows.h>

namespace dlg {

// A program is one application object. Its start-up hook does all the work,
// showing what dialogs it needs; when it returns, the program ends: no
// message loop runs after it.
class Application {
 public:
  virtual ~Application() {}
  int Run(HINSTANCE instance);
  HINSTANCE Instance() const { return instance_; }

 protected:
  virtual void InitInstance() = 0;

 private:
  HINSTANCE instance_ = nullptr;
};

}  // namespace dlg
