# Compiler settings shared by every target of the project.

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

if(VUEMERE_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings on and fatal for our own code (third-party code such as GoogleTest is left alone).
function(vuemere_own_code target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers)
  endif()
endfunction()

# Everything we ship or run under Wine is linked statically: no MinGW runtime DLLs beside it.
function(vuemere_static_link target)
  if(WIN32 AND NOT MSVC)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# Programs, test programs and the simulated host's DLL all land in one folder, so tests find them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Links the program's compiled resources (menu, dialogs, icons, cursor, manifest) into a target.
# The manifest comes from them; MSVC's linker would add a second one of its own.
function(vuemere_link_resources target)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:vuemere_resources>)
  if(MSVC)
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  endif()
endfunction()
