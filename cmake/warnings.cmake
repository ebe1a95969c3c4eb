# Warnings on and fatal for everything we compile.
add_compile_options(-Wall -Wextra -Wpedantic -Werror)

# Debian's g++ 12.2 drops calls to some store-loop functions at -O1/-O2 (it
# wrongly decides they have no side effects). These two flags keep the calls;
# tests/toolchain proves it with the reproducer under the project's own flags.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-fno-ipa-pure-const -fno-ipa-modref)
endif()

# Sanitizer builds (the asan preset sets TABLETOOLS_SANITIZE).
option(TABLETOOLS_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(TABLETOOLS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
