# How the programs and the installer's DLL are linked: the C++ run-time
# linked in so that only system DLLs are imported, and nothing that changes
# from build to build (time stamps, paths) in the image.
function(keepsnap_windows_binary target)
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  if(MINGW)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                        -Wl,--no-insert-timestamp -Wl,--build-id=none -Wl,--gc-sections -s)
    # The run-time's default terminate handler prints the demangled name of an
    # uncaught exception to a console these programs do not have; it brings
    # the whole C++ demangler (about 48 KB). Plain abort ends them the same.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(_prefix "_")  # i686 C symbols carry a leading underscore
    endif()
    target_link_options(${target} PRIVATE
                        "-Wl,--defsym,${_prefix}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${_prefix}abort")
  elseif(MSVC)
    # The resource scripts embed each program's manifest; a second one made
    # by the linker would collide with it.
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  endif()
endfunction()

# Both programs: the above, with the GUI subsystem.
function(keepsnap_windows_program target)
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
  keepsnap_windows_binary(${target})
endfunction()

# A program's manifest, made from resources/program.manifest.in with the
# product's facts: name.manifest among the generated files, which the
# program's resource script embeds.
function(keepsnap_manifest name role level)
  set(KEEPSNAP_PROGRAM ${name})
  set(KEEPSNAP_PROGRAM_ROLE ${role})
  set(KEEPSNAP_PROGRAM_LEVEL ${level})
  configure_file(${PROJECT_SOURCE_DIR}/resources/program.manifest.in ${KEEPSNAP_GENERATED}/${name}.manifest @ONLY)
endfunction()
