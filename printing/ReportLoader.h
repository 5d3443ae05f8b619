#pragma once

#include <QString>

class ReportTemplate;

// Reads a report template file (RPT/*.RAV). The format is our own XML, in UTF-8:
//
//   <ReportProject version="1" activeReport="Report1">
//     <Report name="Report1">
//       <Page name="Page1" width="8.27" height="11.69">
//         <Region name="Region1" left="0" top="0.2" width="8.27" height="11.49">
//           <DataBand name="DataBand1" connection="RvDataSetConnection1" height="1.4">
//             <Rectangle name="RectangleA1" left="0.7" top="0.36" width="0.6" height="0.22"
//                        lineWidth="0.75" fill="#eeeeee"/>
//             <Text name="TextA1" text="基本工资" left="0.7" top="0.36" width="0.6"
//                   height="0.22" align="center" font="宋体" size="9" bold="false"/>
//             <DataText name="DataTextA1" connection="RvDataSetConnection1" field="GZ1"
//                       left="0.7" top="0.58" width="0.6" height="0.24" align="right"
//                       padding="0.04" font="宋体" size="9"/>
//           </DataBand>
//         </Region>
//       </Page>
//     </Report>
//   </ReportProject>
//
// Lengths are inches; left edges count from the page's left edge, tops of band objects from
// the band's top. A text's width and alignment give the cell it is anchored in (see
// ReportText). Every element may carry visible="false". Names are unique within a page
// without regard to letter case. Unknown elements or attributes, missing or malformed values
// and duplicate names make the file invalid, so a mistyped template is refused when it is
// loaded rather than printing wrongly.
class ReportLoader {
  public:
    ReportLoader() = delete;

    // Fills the closed `project` from `path`. Throws ReportError naming the file (and the line)
    // when the file cannot be read or is not a valid template.
    static void load(const QString& path, ReportTemplate& project);
};
