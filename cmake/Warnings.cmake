# Warnings are errors on every compiler we build with. Sources and their
# narrow strings are UTF-8.
if(MSVC)
  add_compile_options(/W4 /WX /utf-8)
else()
  add_compile_options(-Wall -Wextra -Werror)
endif()
