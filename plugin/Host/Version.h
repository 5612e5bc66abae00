#pragma once
// The plugin's version: the version resource and the host's requirements record use these numbers.

#define NIMBRAVA_VERSION_MAJOR 1
#define NIMBRAVA_VERSION_MINOR 0
#define NIMBRAVA_VERSION_PATCH 2
#define NIMBRAVA_VERSION_BUILD 0
#define NIMBRAVA_VERSION_TEXT "1.0.2"
#define NIMBRAVA_DISPLAY_NAME "Nimbrava"
#define NIMBRAVA_AUTHOR "Vorkessa"
#define NIMBRAVA_FILE_NAME "Nimbrava.dll"
