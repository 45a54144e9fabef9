// Times programs from start to exit as the shell starts them, under Wine.
//   bench_driver RUNS TARGET_A COMMAND_A [TARGET_B COMMAND_B ...]
//   bench_driver --cancel CAPTION    presses Cancel in that dialog once it shows
//   bench_driver --drop FOLDER [keys]
//                                    hands every fileN.dat of the folder to the
//                                    verb's DropTarget at once, as Explorer
//                                    hands a selection (with "keys", Shift and
//                                    ` held: into the backup folder), and waits
//                                    for the one run to end
//   bench_driver --drop-floor FOLDER
//                                    the same, to the benchmark's bare COM
//                                    server (drop_floor.cpp), and waits for it
//   bench_driver --starts FOLDER     starts snapcopy.exe for each of them at
//                                    once, as the shell starts a command-line
//                                    verb for each item, and waits for all
// The commands take turns, so that drift in the machine falls on all alike.
// Before each run its target (a file, or a folder with all below it) is
// deleted; after it the target must exist, so a program that fails cannot
// look fast, and a file is flushed to disk untimed, so that no run pays for
// the writing left over from the one before (a folder's programs flush each
// file themselves). Prints a line per command:
//   median_ms min_ms max_ms
// then, for each command after the first, the first one's time over its time
// within each turn (a pair run back to back, which a busy machine slows
// alike), as the median and the quartiles of those ratios:
//   ratio median q1 q3
// (Peak memory is measured from outside: Wine forgets it when a process ends.)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/bench/drop_floor.h"
#include "tests/wine/wine_support.h"

namespace {

bool RunOnce(const std::string& commandLine, double* ms) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return false;
  WaitForSingleObject(info.hProcess, INFINITE);
  QueryPerformanceCounter(&end);
  *ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

void RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") RemoveTree(path + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

// Of sorted values, interpolated between the two nearest.
double Quantile(const std::vector<double>& sorted, double q) {
  const double at = q * static_cast<double>(sorted.size() - 1);
  const size_t below = static_cast<size_t>(at);
  if (below + 1 >= sorted.size()) return sorted.back();
  return sorted[below] + (at - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

// Ends a program that waits in a dialog, as a user pressing Cancel would.
int CancelDialog(const char* caption) {
  for (int tries = 0; tries < 200; ++tries) {
    if (HWND dialog = FindWindowA("#32770", caption)) {
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return 0;
    }
    Sleep(50);
  }
  std::fprintf(stderr, "no dialog \"%s\"\n", caption);
  return 1;
}

// The folder's fileN.dat, in the order Explorer lists them; not their copies.
std::vector<std::string> Selection(const std::string& folder) {
  std::vector<std::string> items;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\file*.dat").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return items;
  do {
    if (std::strchr(found.cFileName, '-') == nullptr) items.push_back(folder + "\\" + found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return items;
}

int DropSelection(const std::string& folder, bool keys, bool floor) {
  INPUT folderKey = {};
  folderKey.type = INPUT_KEYBOARD;
  folderKey.ki.wVk = VK_OEM_3;
  if (keys) SendInput(1, &folderKey, sizeof folderKey);
  const HRESULT dropped = winetest::DropOn(Selection(folder), MK_LBUTTON | (keys ? MK_SHIFT : 0), nullptr,
                                           floor ? kFloorClass : winetest::kDropClass);
  folderKey.ki.dwFlags = KEYEVENTF_KEYUP;
  if (keys) SendInput(1, &folderKey, sizeof folderKey);
  if (FAILED(dropped)) {
    std::fprintf(stderr, "the drop failed: %#lx\n", static_cast<unsigned long>(dropped));
    return 1;
  }
  return winetest::WaitUntilNoProcess(floor ? "drop_floor.exe" : "snapcopy.exe", 600000) ? 0 : 1;
}

int StartEach(const std::string& folder) {
  std::vector<HANDLE> started;
  for (const std::string& item : Selection(folder)) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string line = "C:\\windows\\snapcopy.exe \"" + item + "\"";
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return 1;
    CloseHandle(info.hThread);
    started.push_back(info.hProcess);
  }
  for (HANDLE process : started) {
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--cancel") == 0) return CancelDialog(argv[2]);
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--drop") == 0)
    return DropSelection(argv[2], argc == 4 && std::strcmp(argv[3], "keys") == 0, false);
  if (argc == 3 && std::strcmp(argv[1], "--drop-floor") == 0) return DropSelection(argv[2], false, true);
  if (argc == 3 && std::strcmp(argv[1], "--starts") == 0) return StartEach(argv[2]);
  if (argc < 4 || argc % 2 != 0) {
    std::fprintf(stderr, "usage: bench_driver RUNS TARGET COMMAND [TARGET COMMAND ...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  if (runs < 1) {
    std::fprintf(stderr, "RUNS must be at least 1\n");
    return 2;
  }
  const int commands = (argc - 2) / 2;
  std::vector<std::vector<double>> measured(commands);
  for (int run = 0; run < runs; ++run) {
    for (int c = 0; c < commands; ++c) {
      const char* target = argv[2 + 2 * c];
      const char* command = argv[3 + 2 * c];
      RemoveTree(target);
      double ms = 0;
      if (!RunOnce(command, &ms)) {
        std::fprintf(stderr, "cannot start (error %lu): %s\n", GetLastError(), command);
        return 1;
      }
      const DWORD made = GetFileAttributesA(target);
      if (made == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "no copy at %s after: %s\n", target, command);
        return 1;
      }
      if (!(made & FILE_ATTRIBUTE_DIRECTORY)) {
        HANDLE copy = CreateFileA(target, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        FlushFileBuffers(copy);
        CloseHandle(copy);
      }
      measured[c].push_back(ms);
    }
  }
  std::vector<std::vector<double>> ratios(commands);
  for (int c = 1; c < commands; ++c)
    for (int run = 0; run < runs; ++run) ratios[c].push_back(measured[0][run] / measured[c][run]);
  for (std::vector<double>& ms : measured) {
    std::sort(ms.begin(), ms.end());
    std::printf("%.2f %.2f %.2f\n", Quantile(ms, 0.5), ms.front(), ms.back());
  }
  for (int c = 1; c < commands; ++c) {
    std::sort(ratios[c].begin(), ratios[c].end());
    std::printf("ratio %.3f %.3f %.3f\n", Quantile(ratios[c], 0.5), Quantile(ratios[c], 0.25), Quantile(ratios[c], 0.75));
  }
  return 0;
}
