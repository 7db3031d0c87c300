# Fails when the program imports a DLL that is not one of Windows' known DLLs: Windows
# looks for any other import in the program's own folder first, so a file of that name
# beside the .exe would be loaded, elevated too, instead of the system's.
#
#   cmake -DOBJDUMP=<objdump> -DEXE=<Varnoset.exe> -DMANIFEST=<Varnoset.manifest> -P CheckImports.cmake

# Known DLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs) that a
# Win32 program may import, lower-case.
set(known advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll
    oleaut32.dll rpcrt4.dll shell32.dll shlwapi.dll user32.dll)
# comctl32.dll is no known DLL, but the manifest's dependency on the common controls
# makes Windows take it from the side-by-side store before it looks in any folder.
file(READ "${MANIFEST}" manifest)
string(FIND "${manifest}" "name=\"Microsoft.Windows.Common-Controls\"" commonControls)
if(commonControls GREATER -1)
    list(APPEND known comctl32.dll)
endif()

execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
if(NOT lines)
    message(FATAL_ERROR "no import table read from ${EXE}")
endif()
set(unknown "")
foreach(line ${lines})
    string(REGEX REPLACE "DLL Name: *" "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    list(FIND known "${dll}" at)
    if(at EQUAL -1)
        list(APPEND unknown "${dll}")
    endif()
    message(STATUS "imports ${dll}")
endforeach()
if(unknown)
    message(FATAL_ERROR "imports DLLs that are not known DLLs: ${unknown}")
endif()
