// One board's list of held threads ("acquired.txt" in the board directory),
// for one operation: create, setboard, then finditem/totalitem/additem as
// often as needed, or one changeitem, or delitem and deletelog; destroy.
// changeitem and delitem close the list; later calls show "not opened.".
//
// The list is read once, when setboard opens it; lookups answer from that copy
// (kept up to date by additem), so a thread list of many rows reads the file
// once, not once per row. Rewrites go to a new file that replaces the list
// only when complete, so a failure leaves the old list byte for byte.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/libce.h"
#include "store/loglist.h"


constexpr int kBoardDirBytes = 33;
constexpr int kHostNameBytes = 260;
constexpr int kListLineBytes = 1024;
constexpr int kListPathBytes = 260;
// A thread's log file name, the key and ".dat" (14 bytes today). A longer
// name is refused rather than cut: a cut name would match another thread.
constexpr int kLogFileNameBytes = 33;

class LogListFile {
public:
    LogListFile();
    virtual ~LogListFile();   // closes the list, so additem's lines reach the disk
    LogListFile(const LogListFile&) = delete;
    LogListFile& operator=(const LogListFile&) = delete;

    // Opens the board's list (created when missing); 1 when open. Names that
    // would leave the log root are refused with a message and 0.
    int setboard(const wchar_t* host, const wchar_t* dir);
    int filelist_open();

    // The last read / the count of the thread's line, or -1.
    int finditem(const char* name);
    int finditem(const wchar_t* name);
    int totalitem(const char* name);
    int totalitem(const wchar_t* name);
    // Both of the thread's values in one look-up; false when it is not
    // listed (or the list is not open: then `caption` heads the message).
    bool lookup(const char* name, AcquiredValues* values, const wchar_t* caption);

    // True when the thread's line carries the fallen mark (see loglist.h).
    bool fallenitem(const wchar_t* name);

    // Appends "name<>title(count)<>1", marked fallen when asked; 0 when the
    // thread is already listed.
    int additem(const wchar_t* name, const wchar_t* title, int count, bool fallen = false);
    // Marks the thread's line as fallen, or takes the mark away; 1 when the
    // list was rewritten, 0 when there was nothing to change (no line, or
    // marked so already) or the rewrite failed (reported). Closes the list
    // either way.
    int markfallen(const wchar_t* name, bool fallen = true);
    // Records a closed thread's response count and the response at the top of
    // its view (see acquired_last_read_at_close); 1 when the list was rewritten.
    int changeitem(const wchar_t* fileName, int responseCount, int topResponseNumber);
    // Drops every line of the thread; 1 when the list was rewritten.
    int delitem(const wchar_t* name);
    // Deletes the thread's log file; 1 when it was deleted. Shows nothing.
    int deletelog(const wchar_t* name);

    // How many times the list has been read from disk by this object.
    int reads() const { return reads_; }

    char boardDir[kBoardDirBytes];
    char hostName[kHostNameBytes];
    UniqueLibceFile file;
    char lineBuffer[kListLineBytes];
    char listPath[kListPathBytes];

private:
    bool read_lines();
    void close_list();
    int rewrite(const std::vector<std::string>& lines);
    // Rewrites the list with `edit` applied to its lines for the thread
    // `name`; with `onlyWhenChanged`, an edit that changed nothing closes
    // the list and writes nothing.
    using LineEdit = std::function<int(std::vector<std::string>&, std::string_view)>;
    int rewrite_named(const wchar_t* name, const wchar_t* caption, const LineEdit& edit, bool onlyWhenChanged);
    bool name_for_rewrite(const wchar_t* name, const wchar_t* caption, std::string& out);

    std::vector<std::string> lines_;
    AcquiredIndex index_;   // answers finditem and totalitem
    int reads_;
};
