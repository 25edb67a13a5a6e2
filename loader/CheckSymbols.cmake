# Fails when the loader library defines an external symbol outside namespace marrow, which a
# game linking it could meet with a name of its own (or break the one-definition rule with).
# Instances of standard templates are the standard library's, whatever their arguments.
# cmake -DNM=<nm> -DLIBRARY=<libmarrow-loader.a> -P CheckSymbols.cmake
cmake_policy(SET CMP0007 NEW)  # empty lines stay list elements, so the listings stay paired
if(NOT NM OR NOT EXISTS "${NM}")
    message("SKIPPED: no nm to read ${LIBRARY} with")
    return()
endif()
get_filename_component(work "${LIBRARY}" DIRECTORY)
execute_process(COMMAND "${NM}" -g --defined-only "${LIBRARY}"
    OUTPUT_FILE "${work}/symbols.txt" RESULT_VARIABLE result)
execute_process(COMMAND "${NM}" -g -C --defined-only "${LIBRARY}"
    OUTPUT_FILE "${work}/symbols-demangled.txt")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
# Both listings hold the same lines in the same order; blank lines are kept so they stay paired.
file(STRINGS "${work}/symbols.txt" mangled)
file(STRINGS "${work}/symbols-demangled.txt" demangled)
list(LENGTH mangled count)
list(LENGTH demangled count_demangled)
if(NOT count EQUAL count_demangled OR count EQUAL 0)
    message(FATAL_ERROR "${NM} gave no symbols, or two different listings, of ${LIBRARY}")
endif()
set(count_checked 0)
set(outside "")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    list(GET mangled ${i} line)
    # "<address> <type> <name>"; member headers and blank lines have no type.
    if(NOT line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.+)$")
        continue()
    endif()
    set(name "${CMAKE_MATCH_1}")
    # PE objects (mingw) name a weak definition ".weak.<default>.<symbol>", and the address
    # sanitizer adds an indicator "__odr_asan.<symbol>" per global: judge the symbol named.
    string(REGEX REPLACE "^\\.weak\\.[A-Za-z0-9_]*\\." "" name "${name}")
    string(REGEX REPLACE "^__odr_asan(\\.|_gen_)" "" name "${name}")
    math(EXPR count_checked "${count_checked} + 1")
    # Itanium names (also mingw's): special prefixes (vtable, typeinfo, guard, local static),
    # then the nested name's first component.
    if(name MATCHES "^_Z(T[VISTHW]|GV|GR)?Z?N?[KVr]*(6marrow|St|Sa|Sb|Ss|Si|So|Sd|9__gnu_cxx|10__cxxabiv1)")
        continue()
    endif()
    # The exception-handling references a compiler emits beside the personality routine, and
    # the typeinfo of a function type (std::function's target), which names no entity at all.
    if(name MATCHES "^(DW\\.ref\\.|\\.refptr\\.|__gxx_personality|_ZT[IS]P?F)")
        continue()
    endif()
    list(GET demangled ${i} shown)
    string(APPEND outside "  ${shown}\n")
endforeach()
if(count_checked EQUAL 0)
    message(FATAL_ERROR "${NM} listed no symbols in ${LIBRARY}")
endif()
if(outside)
    message(FATAL_ERROR "Defined outside namespace marrow:\n${outside}")
endif()
message("${count_checked} symbols, all in namespace marrow or the standard library's")
