#pragma once
// Texts built at run time (a result with its points, an address with its host name) can be
// longer than the label the layout gives them. Such a label takes the largest font size, down to
// a smallest one, at which each of its lines fits its width, instead of breaking or cutting a line.
class QLabel;

namespace support {

void fitLabelFont(QLabel *label, double largestPointSize, double smallestPointSize);

} // namespace support
