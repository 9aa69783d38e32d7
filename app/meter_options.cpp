#include "app/meter_options.h"

RateViewOptions ViewOptionsFrom(const MeterSettings& s) {
  RateViewOptions o;
  o.showTitle = s.displayTitle != 0;
  o.showGraph = s.displayGraph != 0;
  o.showScaleGrid = s.displayScaleGrid != 0;
  o.showScale = s.displayScale != 0;
  o.showText = s.displayText != 0;
  o.showMaxInText = s.displayMaxRateInText != 0;
  o.textColourSameAsGraph = s.textCrSameAsGraphCr != 0;
  o.showAvgInText = s.dispAvgValuesInText != 0;
  o.unitBytes = s.displayUnitByte != 0;
  o.showAvgDownLine = s.dispAvgDownLine != 0;
  o.showAvgUpLine = s.dispAvgUpLine != 0;
  o.showTimeGrid = s.displayTimeGrid != 0;
  o.showTimeText = s.displayTimeText != 0;
  o.scaleGridOnTop = s.scaleGridOnTop != 0;
  o.timeGridOnTop = s.timeGridOnTop != 0;
  o.timeTextOnTop = s.timeTextOnTop != 0;
  o.graphStyle = s.graphStyle;
  o.timeFormat = s.timeFormat;

  o.borderColour = s.borderColor;
  o.graphBackground = s.graphBkgColor;
  o.avgDownColour = s.avgDownLineColor;
  o.avgUpColour = s.avgUpLineColor;
  o.downColour = s.downColor;
  o.upColour = s.upColor;
  o.bothColour = s.bothDownUpColor;
  o.titleBackground = s.titleBkgColor;
  o.titleTextColour = s.titleTextColor;
  o.scaleTextColour = s.scaleTextColor;
  o.scaleGridColour = s.gridColor;
  o.rateTextColour = s.rateTextColor;
  o.rateBackground = s.rateBkgColor;
  o.timeGridColour = s.timeGridColor;
  o.timeTextColour = s.timeTextColor;
  o.scaleGridStyle = s.scaleGridLineStyle;
  o.timeGridStyle = s.timeGridLineStyle;

  o.pulseWidth = s.pulseWidth;
  o.pulseSpace = s.pulseSpace;
  o.heightPercent = s.rateHeightPercent;
  o.timeGridInterval = s.timeGridIntervalSec;

  o.titleFont = FontSpecOf(s.titleFont);
  o.rateFont = FontSpecOf(s.rateFont);
  o.scaleFont = FontSpecOf(s.scaleFont);
  o.timeTextFont = FontSpecOf(s.timeTextFont);
  return o;
}
