@echo off
rem Starts Quorlin's link-resolution service in the background, waits until it
rem answers on 127.0.0.1:8610 (the address Quorlin.exe asks), then starts
rem Quorlin.exe. A service that already answers there is used as it is.
setlocal
set "HERE=%~dp0"
set "LOG=%TEMP%\quorlin-service.log"
set "PROBE=import socket; socket.create_connection(('127.0.0.1', 8610), 1).close()"

rem A Python that runs: the py launcher, else python on the PATH. The Microsoft
rem Store's python.exe placeholder fails to run and is passed over. Results are
rem read from ERRORLEVEL: Wine's cmd runs what follows && even after a command
rem it could not find.
set "PY="
for %%p in (py python python3) do if not defined PY call :try_python %%p
if not defined PY goto no_python
%PY% -c "import yt_dlp" >nul 2>&1
if errorlevel 1 goto no_yt_dlp

call :answers
if not errorlevel 1 goto program

rem The service runs under the pythonw.exe next to that Python, which opens no
rem window; without one, in a minimized console.
set "PYDIR="
for /f "delims=" %%d in ('%PY% -c "import os, sys; print(os.path.dirname(sys.executable))"') do set "PYDIR=%%d"
if exist "%PYDIR%\pythonw.exe" (
  start "" "%PYDIR%\pythonw.exe" "%HERE%service\quorlin_service.py" --log "%LOG%"
) else (
  start "Quorlin service" /min %PY% "%HERE%service\quorlin_service.py" --log "%LOG%"
)

rem A few seconds at most: a probe, then a pause of about a second.
set /a tries=0
:wait
call :answers
if not errorlevel 1 goto program
set /a tries+=1
if %tries% geq 5 goto slow
ping -n 2 127.0.0.1 >nul
goto wait

:slow
echo The Quorlin service does not answer on 127.0.0.1:8610 yet; Quorlin shows
echo nothing for a page until it does. The service's log is %LOG%
:program
start "" "%HERE%Quorlin.exe"
exit /b 0

:no_python
echo Quorlin reads video pages through its link-resolution service, which needs
echo Python 3 and yt-dlp. No Python was found on this computer.
echo.
echo  1. Install Python 3 from https://www.python.org/downloads/windows/
echo  2. Install yt-dlp in a command prompt:  py -m pip install yt-dlp
echo  3. Start start-quorlin.bat again.
echo.
echo See README.txt in this folder.
pause
exit /b 1

:no_yt_dlp
echo Quorlin reads video pages through its link-resolution service, which needs
echo yt-dlp. Python was found (%PY%), but yt-dlp is not installed for it.
echo.
echo  1. Install yt-dlp in a command prompt:  %PY% -m pip install yt-dlp
echo  2. Start start-quorlin.bat again.
echo.
echo See README.txt in this folder.
pause
exit /b 1

:try_python
%1 -c "import sys" >nul 2>&1
if not errorlevel 1 set "PY=%1"
exit /b 0

:answers
%PY% -c "%PROBE%" >nul 2>&1
exit /b %errorlevel%
