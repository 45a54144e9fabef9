#pragma once

#include <windows.h>

namespace dlg {

class ModalDialog;

// A program is one application object. Its start-up hook does the work; it
// returns true only when a message loop should run afterwards.
class Application {
 public:
  virtual ~Application() {}
  int Run(HINSTANCE instance);
  HINSTANCE Instance() const { return instance_; }

  // The dialog that stands as the program's main window, if it has one.
  ModalDialog* mainWindow = nullptr;

 protected:
  virtual bool InitInstance() = 0;

 private:
  HINSTANCE instance_ = nullptr;
};

}  // namespace dlg
