# One INTERFACE target that every target of the project links: language standard, warnings, Qt defines
# and the optional sanitizers. Nothing here is set globally.
option(CARROWEN_WERROR "Treat compiler warnings as errors" OFF)
option(CARROWEN_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CARROWEN_TSAN "Build with ThreadSanitizer (the tests labelled tsan)" OFF)

add_library(carrowen_options INTERFACE)
target_compile_features(carrowen_options INTERFACE cxx_std_20)
target_compile_options(carrowen_options INTERFACE
    -Wall -Wextra -pedantic -Wold-style-cast -Wnon-virtual-dtor
    $<$<BOOL:${CARROWEN_WERROR}>:-Werror>)
target_compile_definitions(carrowen_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
if(CARROWEN_SANITIZE)
    target_compile_options(carrowen_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                      -fno-sanitize-recover=undefined)
    target_link_options(carrowen_options INTERFACE -fsanitize=address,undefined)
endif()
if(CARROWEN_TSAN)
    target_compile_options(carrowen_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(carrowen_options INTERFACE -fsanitize=thread)
endif()
