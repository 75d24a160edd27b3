/* Resource identifiers and texts, shared by the Windows resource script and
   the compiled-in string table of the POSIX build. */
#pragma once

#define IDS_CAPTION 1001
#define IDS_CAPTION_TEXT "Checking for Updates"

#define IDI_TALCHECK 900
