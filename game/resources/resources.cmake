# The program's own resources, compiled in as byte arrays: each entry is a file of this folder
# with the type and number the engine looks it up by (game/GxResources.h). A missing file leaves
# its entry out, so the lookup answers "none".
set(GX_RESOURCE_FILES "PNG|102|signature.png")

set(gx_resource_arrays "")
set(gx_resource_entries "")
set(gx_resource_index 0)
foreach(entry IN LISTS GX_RESOURCE_FILES)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 type)
  list(GET parts 1 id)
  list(GET parts 2 file)
  set(path ${CMAKE_CURRENT_LIST_DIR}/${file})
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
  if(NOT EXISTS ${path})
    continue()
  endif()
  file(READ ${path} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND gx_resource_arrays "const unsigned char kResource${gx_resource_index}[] = {${bytes}};\n")
  string(APPEND gx_resource_entries
    "    {u\"${type}\", ${id}, kResource${gx_resource_index}, sizeof(kResource${gx_resource_index})},\n")
  math(EXPR gx_resource_index "${gx_resource_index} + 1")
endforeach()
if(gx_resource_index EQUAL 0)
  set(gx_resource_entries "    {nullptr, 0, nullptr, 0},\n")
endif()

file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/GxResourceTable.cpp CONTENT
"// Generated from game/resources/resources.cmake; do not edit.
#include \"game/GxResources.h\"

namespace {
@gx_resource_arrays@
const GxResourceEntry kTable[] = {
@gx_resource_entries@};
}  // namespace

const GxResourceEntry* GxGetResourceTable(size_t* count)
{
    if (count) *count = ${gx_resource_index};
    return kTable;
}
" @ONLY)
target_sources(gx_game PRIVATE ${PROJECT_BINARY_DIR}/generated/GxResourceTable.cpp)
