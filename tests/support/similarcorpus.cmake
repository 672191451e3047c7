# SPDX-License-Identifier: GPL-3.0-or-later
# The similar-video corpus, made by the similar-video test and the accuracy benchmark alike: the
# benchmark's build has no tests, so it includes this file itself.
if(NOT TARGET orsenta_similarcorpus)
    add_library(orsenta_similarcorpus STATIC
        ${CMAKE_CURRENT_LIST_DIR}/similarcorpus.cpp ${CMAKE_CURRENT_LIST_DIR}/similarcorpus.h)
    target_include_directories(orsenta_similarcorpus PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
    target_link_libraries(orsenta_similarcorpus
        PUBLIC orsenta_common orsenta_model orsenta_containerprobe Qt6::Core)
endif()
