// Fetching the update page: over HTTPS first, then plain HTTP, into a local copy in the
// temporary folder after the previous copy has been moved aside under a numbered name.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vermark {

// Where the page's copy is kept: <temp>/r_Utile.tmp/R_Pull/ + url_local_name(page). Creates the
// folders of the copy.
std::u16string local_copy_path(std::u16string_view page);

// Moves the previous copy aside, fetches the page over https: and, when that gives nothing,
// over http:, and returns the local copy's path. A missing or empty file means nothing came.
// Both attempts together end within the download budget (10 seconds): a server that accepts
// and never answers holds the caller no longer; an attempt with too little time left is not made.
std::u16string download_page(std::u16string_view page);

// Shortens the download budget (tests); zero or less restores the 10 seconds.
void set_download_budget(std::chrono::milliseconds budget);

// One GET of scheme + rest into `local` (the file found there first is moved aside), within
// the download budget. False when
// the URL does not parse or the exchange failed; a failure leaves no file at `local`. Failures
// are reported on standard error.
bool fetch_url(std::u16string_view scheme, std::u16string_view rest, std::u16string_view local);

// The page without any "https:" or "http:", with a leading "//" ensured.
std::u16string scheme_relative_url(std::u16string_view page);

// folder/stem.NNN.ext with the first free three-digit number from 000; the path itself when
// `always` is false and the path is free, or when all 1,000 numbers are taken.
std::u16string numbered_name(std::u16string_view path, bool always);

// Moves a file, creating the target's folder first; with `keep_existing`, an existing target
// is left alone and the move fails. Falls back to copy and remove when renaming fails.
bool move_file(std::u16string_view from, std::u16string_view to, bool keep_existing);

}  // namespace vermark
