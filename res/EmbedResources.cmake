# Turns resource files into a C++ source with one byte array per file, so that the executable
# carries its bitmaps and icons and stays one self-contained file.
#
#   cmake -DOUTPUT=<file.cpp> -DBITMAPS=<id=path,...> -DICONS=<id=path,...> -P EmbedResources.cmake
#
# The arrays are written as string literals of \x escapes, which compilers read far faster than
# brace lists of several million numbers.

function(emit_table table_name entries_text out_var)
    string(REPLACE "," ";" entries "${entries_text}")
    list(SORT entries COMPARE NATURAL)
    if(NOT entries)
        message(FATAL_ERROR "no resources for ${table_name}")
    endif()
    set(arrays "")
    set(rows "")
    set(previous_id "")
    foreach(entry ${entries})
        string(REGEX MATCH "^([0-9]+)=(.+)$" matched "${entry}")
        if(NOT matched)
            message(FATAL_ERROR "bad resource entry '${entry}'")
        endif()
        set(id ${CMAKE_MATCH_1})
        set(path ${CMAKE_MATCH_2})
        if(id STREQUAL previous_id)
            message(FATAL_ERROR "resource id ${id} given twice")
        endif()
        set(previous_id ${id})
        file(SIZE "${path}" size)
        if(size EQUAL 0)
            message(FATAL_ERROR "resource file ${path} is empty")
        endif()
        file(READ "${path}" hex HEX)
        # 48 bytes per source line: mark the line ends first, then escape every byte.
        string(REGEX REPLACE
            "(................................................................................................)"
            "\\1|" hex "${hex}")
        string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" hex "${hex}")
        string(REGEX REPLACE "\\|$" "" hex "${hex}")
        string(REPLACE "|" "\"\n    \"" hex "${hex}")
        set(name "k${table_name}${id}")
        # One more element than the file has, for the literal's terminating zero.
        math(EXPR capacity "${size} + 1")
        string(APPEND arrays "const unsigned char ${name}[${capacity}] =\n    \"${hex}\";\n\n")
        string(APPEND rows "    {${id}, ${name}, ${size}},\n")
    endforeach()
    set(${out_var}_ARRAYS "${arrays}" PARENT_SCOPE)
    set(${out_var}_ROWS "${rows}" PARENT_SCOPE)
endfunction()

emit_table(Bitmap "${BITMAPS}" BITMAP)
emit_table(Icon "${ICONS}" ICON)

set(text "// Generated at build time by res/EmbedResources.cmake from the files in res/skin.\n")
string(APPEND text "// Do not edit: change the generator's output and rebuild.\n\n")
string(APPEND text "#include \"res/EmbeddedResource.h\"\n\nnamespace {\n\n")
string(APPEND text "${BITMAP_ARRAYS}${ICON_ARRAYS}} // namespace\n\n")
string(APPEND text "const EmbeddedResource kEmbeddedBitmaps[] = {\n${BITMAP_ROWS}};\n")
string(APPEND text "const size_t kEmbeddedBitmapCount = sizeof(kEmbeddedBitmaps) / sizeof(kEmbeddedBitmaps[0]);\n\n")
string(APPEND text "const EmbeddedResource kEmbeddedIcons[] = {\n${ICON_ROWS}};\n")
string(APPEND text "const size_t kEmbeddedIconCount = sizeof(kEmbeddedIcons) / sizeof(kEmbeddedIcons[0]);\n")

# Write through a temporary file so that an interrupted run never leaves half a source behind.
file(WRITE "${OUTPUT}.tmp" "${text}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
