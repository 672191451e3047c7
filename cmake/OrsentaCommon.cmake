# SPDX-License-Identifier: GPL-3.0-or-later
# Build settings every Orsenta target shares: link `orsenta_common` to get them.
add_library(orsenta_common INTERFACE)
target_compile_features(orsenta_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_definitions(orsenta_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_KEYWORDS
    QT_USE_QSTRINGBUILDER
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
# Designated initializers that leave fields at their defaults are deliberate.
target_compile_options(orsenta_common INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
if(ORSENTA_WERROR)
    target_compile_options(orsenta_common INTERFACE -Werror)
endif()
