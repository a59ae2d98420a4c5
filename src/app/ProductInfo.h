#pragma once

namespace vexor::app {

// The maker's contact details shown on the splash window and in the About box.
inline constexpr const char* kPublisherName = "VEXOR Project";
inline constexpr const char* kPublisherStreet = "12 Drafting Lane";
inline constexpr const char* kPublisherCity = "Lakeside (LK)";
inline constexpr const char* kPublisherPostalCode = "10240";
inline constexpr const char* kPublisherFax = "Fax: +1 555 0100 199";
inline constexpr const char* kSupportEmail = "support@vexor.example";
inline constexpr const char* kCommentsEmail = "comments@vexor.example";
inline constexpr const char* kWebAddress = "https://vexor.example";
inline constexpr const char* kLegalWarning =
    "This program is free software, distributed under the GNU General Public License, version 3 "
    "or later, WITHOUT ANY WARRANTY.\r\nDrawings shown by this viewer may differ from the "
    "drawings as their authors made them; check measurements against the original.";
inline constexpr const char* kNoticeLine = "A fast viewer for 2D CAD drawings.";

} // namespace vexor::app
