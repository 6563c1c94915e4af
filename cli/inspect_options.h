// The command line of quorvel-inspect.
#pragma once

#include <string>

struct InspectOptions {
  std::string file;
  int tree_depth = -1;      // --tree[=DEPTH]; -1 when not asked for
  std::string select;       // --select PATH
  long object = -1;         // --object N
  std::string raw;          // --raw PATH
  std::string hex;          // --hex PATH: the raw bytes as a hex view
  std::string decoded;      // --decoded PATH: the bytes through all filters
  std::string operators;    // --operators PATH: a content stream's operators (modern mode)
  bool objects = false;     // --objects: one line per object
  std::string find;         // --find TEXT
  bool regex = false;       // --regex: TEXT is a regular expression
  bool in_streams = false;  // --in-streams: also the decoded contents of streams
  bool match_case = false;  // --match-case
  long refs = -1;           // --refs N: the references object N holds, and its referrers
  bool revisions = false;   // --revisions: the incremental updates and signatures
  bool check = false;       // --check: the sections declared against the file
  bool orphans = false;     // --orphans: objects nothing reachable refers to
  bool stats = false;       // --stats: space by kind of object
  bool map = false;         // --map: the file's ranges and their owners
  bool walk = false;        // --walk: the whole file explored, for sweeps
  std::string image;        // --image PATH (with -o FILE.png)
  std::string output;       // -o FILE
  bool json = false;        // --json: the view as one JSON document (docs/json.md)
  bool trace = false;
  bool modern = false;        // --modern: read what PDF since 1.5 holds
  long contents_bound = 0;    // --contents-bound N: bytes of contents shown; 0 for the default
  std::string password;       // --password PW
  std::string password_file;  // --password-file F: the password is its first line
  bool help = false;
  bool version = false;
  std::string error;  // usage error
};

InspectOptions ParseInspectOptions(int argc, char** argv);
const char* InspectUsage();
