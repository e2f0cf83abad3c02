# Warnings are errors on every compiler we build with.
if(MSVC)
  add_compile_options(/W4 /WX /source-charset:utf-8)
else()
  add_compile_options(-Wall -Wextra -Werror)
endif()
