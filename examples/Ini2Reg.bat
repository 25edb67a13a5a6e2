:; # Ini2Reg.bat: turns the INI file named by its one argument into the registry file beside it
:; # (tempreg.ini -> tempreg.reg) with ini2reg, found beside this script or on PATH. The same
:; # file serves sh on POSIX (these lines) and cmd on Windows (the lines after them).
:; case $0 in */*) d=${0%/*};; *) d=.;; esac; [ -x "$d/ini2reg" ] && exec "$d/ini2reg" "$1"; exec ini2reg "$1"
@echo off
if exist "%~dp0ini2reg.exe" ("%~dp0ini2reg.exe" "%~1") else (ini2reg.exe "%~1")
exit /b %errorlevel%
