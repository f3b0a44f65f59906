# Lays out everything the setup program ships in a staging folder and writes the file lists the NSIS
# script includes, so the installer copies, and the uninstaller removes, exactly what was staged.
#
#   cmake -DBUILD_DIR=<build> -DSOURCE_DIR=<repo> -DSTAGE=<folder> -P stage.cmake
#
# <STAGE>/program  what goes to "%ProgramFiles%\Quor\Ostrel\": the project's install rules
#                  (cmake --install, stripped), plus the optional files listed below
# <STAGE>/data     what goes to "%ALLUSERSPROFILE%\Quor Corporation\Ostrel\": default settings,
#                  schema files, model configuration, registration files of the sample applications
# <STAGE>/files.nsh  macros OstrelInstallProgramFiles, OstrelRemoveProgramFiles,
#                  OstrelInstallDataFiles, OstrelRemoveDataFiles, OstrelRegisterPlugins,
#                  OstrelUnregisterPlugins, and OSTREL_HAS_QORUTILS when QorUtils.dll is shipped
# <STAGE>/standin  the stand-in QorUtils.dll, kept out of the program lists: setup installs it only on
#                  a machine where no utility library is registered
cmake_minimum_required(VERSION 3.20)
foreach(var BUILD_DIR SOURCE_DIR STAGE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "stage.cmake needs -D${var}=...")
  endif()
endforeach()
set(BIN "${BUILD_DIR}/bin")
set(PROGRAM "${STAGE}/program")
set(DATA "${STAGE}/data")

file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PROGRAM}" --strip
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install into the staging folder failed (${rc})")
endif()

# ---- Optional program files -------------------------------------------------------------------
# Shipped when the build produced them; a file that an install rule already staged is left alone.
# Add further optional files here, one line each (path relative to the build's bin folder).
set(OPTIONAL_PROGRAM_FILES
  QorUtils.dll   # the maker's utility library (machine id); its path goes to "Shared Dlls"
)
foreach(file ${OPTIONAL_PROGRAM_FILES})
  if(EXISTS "${BIN}/${file}" AND NOT EXISTS "${PROGRAM}/${file}")
    get_filename_component(dir "${PROGRAM}/${file}" DIRECTORY)
    file(COPY "${BIN}/${file}" DESTINATION "${dir}")
  endif()
endforeach()

# The stand-in utility library goes beside the program only where the machine has no library of its
# own, so it is not one of the program files that are always installed and removed.
if(EXISTS "${PROGRAM}/QorUtils.dll")
  file(MAKE_DIRECTORY "${STAGE}/standin")
  file(RENAME "${PROGRAM}/QorUtils.dll" "${STAGE}/standin/QorUtils.dll")
endif()

# ---- All-users data ---------------------------------------------------------------------------
# Default settings of the program and the sample plug-ins: the service reads every
# DefaultSetting*.xml of the Default folder.
file(GLOB defaults "${PROGRAM}/Default settings/DefaultSetting*.xml")
file(COPY ${defaults} DESTINATION "${DATA}/Default")
file(GLOB schemas "${BIN}/Schema files/*.xsd")
if(NOT schemas)
  message(FATAL_ERROR "no schema files in ${BIN}/Schema files (build the ostrel_schemas target)")
endif()
file(COPY ${schemas} DESTINATION "${DATA}/Schema files")
# Model configuration files, when the project ships any.
file(GLOB model_configs "${SOURCE_DIR}/samples/model-config/ModelConfig*.xml")
if(model_configs)
  file(COPY ${model_configs} DESTINATION "${DATA}/Config")
endif()
# Applications registered through the settings service: registration files directly in the folder.
file(GLOB registrations "${SOURCE_DIR}/samples/registered-apps/*.xml")
file(COPY ${registrations} DESTINATION "${DATA}")
# The sample charger's stand-in hardware accepts charge limits from 60 percent up; below that its
# option fails and the page rolls the apply back.
file(WRITE "${DATA}/SampleDevices/charge-minimum" "60")
# The sample charger starts plugged in.
file(WRITE "${DATA}/SampleDevices/charger" "1")

# ---- File lists for the NSIS script -----------------------------------------------------------
function(nsis_path out path)
  string(REPLACE "/" "\\" p "${path}")
  set(${out} "${p}" PARENT_SCOPE)
endfunction()

# Writes an install macro (SetOutPath + File per folder) and a remove macro (Delete per file, then
# RMDir of each folder, deepest first, which only succeeds when nothing else is left in it).
function(write_file_macros text_var root target_var install_name remove_name)
  file(GLOB_RECURSE files RELATIVE "${root}" "${root}/*")
  list(SORT files)
  set(install "!macro ${install_name}\n")
  set(remove "!macro ${remove_name}\n")
  set(dirs "")
  set(current "<none>")
  foreach(rel ${files})
    get_filename_component(dir "${rel}" DIRECTORY)
    nsis_path(src "${root}/${rel}")
    nsis_path(dst "${rel}")
    nsis_path(dst_dir "${dir}")
    if(NOT dir STREQUAL current)
      set(current "${dir}")
      if(dir STREQUAL "")
        string(APPEND install "  SetOutPath \"${target_var}\"\n")
      else()
        string(APPEND install "  SetOutPath \"${target_var}\\${dst_dir}\"\n")
        # Every ancestor folder too, so that all of them are removed once empty.
        set(d "${dir}")
        while(NOT d STREQUAL "")
          list(APPEND dirs "${d}")
          get_filename_component(d "${d}" DIRECTORY)
        endwhile()
      endif()
    endif()
    string(APPEND install "  File \"${src}\"\n")
    string(APPEND remove "  Delete /REBOOTOK \"${target_var}\\${dst}\"\n")
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  list(SORT dirs)
  list(REVERSE dirs)
  foreach(dir ${dirs})
    nsis_path(d "${dir}")
    string(APPEND remove "  RMDir \"${target_var}\\${d}\"\n")
  endforeach()
  string(APPEND install "!macroend\n\n")
  string(APPEND remove "!macroend\n\n")
  set(${text_var} "${${text_var}}${install}${remove}" PARENT_SCOPE)
endfunction()

set(nsh "; Generated by installer/stage.cmake from the staging folder; do not edit.\n\n")
write_file_macros(nsh "${PROGRAM}" "$INSTDIR" OstrelInstallProgramFiles OstrelRemoveProgramFiles)
write_file_macros(nsh "${DATA}" "$DATADIR" OstrelInstallDataFiles OstrelRemoveDataFiles)

# Every plug-in DLL staged under Plugins\ is named in the plug-in list the program reads.
file(GLOB plugins RELATIVE "${PROGRAM}/Plugins" "${PROGRAM}/Plugins/*.dll")
list(SORT plugins)
string(APPEND nsh "!macro OstrelRegisterPlugins\n")
foreach(dll ${plugins})
  get_filename_component(name "${dll}" NAME_WE)
  string(APPEND nsh "  WriteRegStr HKLM \"\${PRODUCT_KEY}\\Plugins\" \"${name}\" \"$INSTDIR\\Plugins\\${dll}\"\n")
endforeach()
string(APPEND nsh "!macroend\n\n!macro OstrelUnregisterPlugins\n")
foreach(dll ${plugins})
  get_filename_component(name "${dll}" NAME_WE)
  string(APPEND nsh "  DeleteRegValue HKLM \"\${PRODUCT_KEY}\\Plugins\" \"${name}\"\n")
endforeach()
string(APPEND nsh "!macroend\n\n")

if(EXISTS "${STAGE}/standin/QorUtils.dll")
  string(APPEND nsh "!define OSTREL_HAS_QORUTILS\n")
endif()
file(WRITE "${STAGE}/files.nsh" "${nsh}")
