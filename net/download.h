// Copies one file from the installer server into a local file.
#pragma once

// Downloads fileUrl into a file named fileName (a bare name) in the directory
// that localPath holds, or in the working directory when localPath is empty.
// localPath is the caller's 260-byte path buffer: after a complete transfer
// of at least one byte it holds the full path of the written file; in every
// other case it is left as it was.
//
// Returns true when at least one byte of the body reached the file:
//   - empty fileName, an unusable directory or a path longer than 259
//     characters, no connection, status 400 or more, or a file that cannot
//     be created: false, no file created or touched;
//   - empty body: false, an empty file is left;
//   - connection broken part-way: true if anything was written, the partial
//     file is left, localPath unchanged;
//   - the file cannot be written completely (disk full): the partial file is
//     left, localPath unchanged, true if anything was written.
// A status that cannot be read counts as success; redirections are followed.
bool DownloadToFile(const char* fileUrl, const char* fileName, char* localPath);
