// Writes one component file out of a compressed payload resource of the
// launcher's own module (type "MODULE").
#ifndef QUILLON_DEPLOY_EXTRACT_H_
#define QUILLON_DEPLOY_EXTRACT_H_

#include <windows.h>

#include "support/handles.h"

namespace quillon {

// Writes the payload |resource_name| to |folder| + |file_name| and decodes it
// in place. Returns true when the file now holds the decoded payload. On
// failure no file is left at the target path, except that a missing resource,
// an over-long target path or an old file that can't be replaced leave the old
// file untouched. Tells the shell of the new file (SHCNE_CREATE) on success.
bool ExtractPayload(const wchar_t* folder, const wchar_t* file_name, const wchar_t* resource_name);

// As ExtractPayload, with the payload looked up in |module| (null: this program).
bool ExtractPayloadFromModule(HMODULE module,
                              const wchar_t* folder,
                              const wchar_t* file_name,
                              const wchar_t* resource_name);

// Opens |path| for writing ("wb": created, or emptied) and holds it without
// sharing: nobody else can open the file until it is closed. Null when it
// can't be opened.
StdioFile OpenForWritingAlone(const wchar_t* path);

// Deletes |path| with up to 10 attempts, 100 ms apart. True when the path no
// longer exists (also when it never existed), false when it still does.
bool DeleteFileWithRetry(const wchar_t* path);

}  // namespace quillon

#endif  // QUILLON_DEPLOY_EXTRACT_H_
