@echo off
rem Removes what snapsetup.exe wrote: the context-menu entries on files and
rem on folders, the four settings (32-bit registry view, where the programs
rem keep them) and snapcopy.exe in the Windows directory. Backups made are
rem not touched.
setlocal
set removed=0
reg query "HKCR\*\shell\Morvane - Backup File(s) Ver 2.0" >nul 2>&1
if not errorlevel 1 (
  reg delete "HKCR\*\shell\Morvane - Backup File(s) Ver 2.0" /f >nul 2>&1
  if errorlevel 1 (echo Could not remove the context-menu entry: run this as administrator.) else (echo Removed the context-menu entry "Morvane - Backup File(s) Ver 2.0". & set removed=1)
)
reg query "HKCR\Directory\shell\Morvane - Backup File(s) Ver 2.0" >nul 2>&1
if not errorlevel 1 (
  reg delete "HKCR\Directory\shell\Morvane - Backup File(s) Ver 2.0" /f >nul 2>&1
  if errorlevel 1 (echo Could not remove the context-menu entry on folders: run this as administrator.) else (echo Removed the context-menu entry on folders. & set removed=1)
)
reg query "HKLM\Software\Morvane\Keepsnap" /reg:32 >nul 2>&1
if not errorlevel 1 (
  reg delete "HKLM\Software\Morvane\Keepsnap" /reg:32 /f >nul 2>&1
  if errorlevel 1 (echo Could not remove the settings: run this as administrator.) else (echo Removed the settings under HKLM\Software\Morvane\Keepsnap. & set removed=1)
)
if exist "%SystemRoot%\snapcopy.exe" (
  del /f "%SystemRoot%\snapcopy.exe" >nul 2>&1
  if exist "%SystemRoot%\snapcopy.exe" (echo Could not remove %SystemRoot%\snapcopy.exe: run this as administrator.) else (echo Removed %SystemRoot%\snapcopy.exe. & set removed=1)
)
if "%removed%"=="0" echo Nothing of Morvane Keepsnap was installed.
echo Your backup copies were not touched.
endlocal
