#pragma once

// The class of the benchmark's bare COM server (drop_floor.cpp), which
// "drop_floor.exe /RegServer" registers and bench_driver --drop-floor asks for.
const char kFloorClass[] = "{8A85132E-D3F8-4533-9666-BE311E59357C}";
