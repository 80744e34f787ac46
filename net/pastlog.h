// Where a board keeps the threads that have fallen out of it (the past-log
// store), and how a board that has moved to another server names its new
// host. Byte-level: the paths are built and the pages read here.
#pragma once
#include <string>
#include <string_view>

// The past-log store's path of thread log `datName` ("1065069078.dat") of
// board directory `dir`, gzipped or plain:
//   ten-digit key:  /<dir>/kako/<first four>/<first five>/<key>.dat.gz
//   nine-digit key: /<dir>/kako/<first three>/<key>.dat.gz
// False for a name that is not such a key followed by ".dat".
bool past_log_path(std::wstring_view dir, std::wstring_view datName, bool gzipped, std::wstring* path);

// The host a board moved to: the first absolute link ("http://host/dir/...")
// in `text` whose directory is the board's `dir` and whose host is not
// `oldHost`. `text` is a redirect's Location or the move notice page a moved
// board's old server answers for its thread list (a script and a link to the
// same directory on the new server). False when no such link is there, or
// its host is no plain host name of at most `hostMax` bytes.
bool moved_board_host(std::string_view text, std::string_view dir, std::string_view oldHost, size_t hostMax,
                      std::string* newHost);
