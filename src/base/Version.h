// The one version of the three programs. Their version resources, the about
// box and the logs all take it from here, so that the file's properties, the
// UAC prompt and the log never disagree. Only #defines: the resource compiler
// reads this header too.
#pragma once

#define TARVEL_VERSION_MAJOR 2
#define TARVEL_VERSION_MINOR 10
#define TARVEL_VERSION_PATCH 0
#define TARVEL_VERSION_BUILD 0

#define TARVEL_STRINGIZE_(x) #x
#define TARVEL_STRINGIZE(x) TARVEL_STRINGIZE_(x)

// "2.10": what the about box and the logs show.
#define TARVEL_VERSION TARVEL_STRINGIZE(TARVEL_VERSION_MAJOR.TARVEL_VERSION_MINOR)
// "2.10.0.0": the four numbers of the version resource, as text.
#define TARVEL_FILE_VERSION                                                                        \
    TARVEL_STRINGIZE(TARVEL_VERSION_MAJOR.TARVEL_VERSION_MINOR.TARVEL_VERSION_PATCH.TARVEL_VERSION_BUILD)

#define TARVEL_PRODUCT_NAME "Tarvel"
#define TARVEL_COMPANY_NAME "Zerdane"
#define TARVEL_COPYRIGHT "Copyright (C) 2026 Zerdane"
