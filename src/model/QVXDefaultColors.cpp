#include "model/QVXSpecConfigArchive.h"

// The default colours, kept as settings documents so that they are read by
// the same path as the colours of a settings file.

namespace
{

constexpr std::string_view kFFTColors = R"QVX(<obj_archive type="CVL Plugin Settings (Copyright 2026 Corvanel Sound.)">
<obj id="0000000001" name="anaFFT_colors" type="QVXSpecConfigArchivedColors">
	<obj id="0000000002" name="clrLeft" type="SerializableColorSpec">
		<att name="red" type="i">31097</att>
		<att name="green" type="i">31354</att>
		<att name="blue" type="i">64250</att>
	</obj>
	<obj id="0000000003" name="clrRight" type="SerializableColorSpec">
		<att name="red" type="i">55769</att>
		<att name="green" type="i">32382</att>
		<att name="blue" type="i">32639</att>
	</obj>
	<obj id="0000000004" name="clrLR" type="SerializableColorSpec">
		<att name="red" type="i">55512</att>
		<att name="green" type="i">55512</att>
		<att name="blue" type="i">55512</att>
	</obj>
	<obj id="0000000005" name="clrLeftPeak" type="SerializableColorSpec">
		<att name="red" type="i">0</att>
		<att name="green" type="i">0</att>
		<att name="blue" type="i">39321</att>
	</obj>
	<obj id="0000000006" name="clrRightPeak" type="SerializableColorSpec">
		<att name="red" type="i">39321</att>
		<att name="green" type="i">0</att>
		<att name="blue" type="i">0</att>
	</obj>
	<obj id="0000000007" name="clrLRPeak" type="SerializableColorSpec">
		<att name="red" type="i">50629</att>
		<att name="green" type="i">50372</att>
		<att name="blue" type="i">19789</att>
	</obj>
	<obj id="0000000008" name="clrLeftAvg" type="SerializableColorSpec">
		<att name="red" type="i">14906</att>
		<att name="green" type="i">15163</att>
		<att name="blue" type="i">35723</att>
	</obj>
	<obj id="0000000009" name="clrRightAvg" type="SerializableColorSpec">
		<att name="red" type="i">26985</att>
		<att name="green" type="i">13878</att>
		<att name="blue" type="i">13878</att>
	</obj>
	<obj id="0000000010" name="clrLRAvg" type="SerializableColorSpec">
		<att name="red" type="i">24929</att>
		<att name="green" type="i">56026</att>
		<att name="blue" type="i">24929</att>
	</obj>
	<obj id="0000000011" name="clrMemL1" type="SerializableColorSpec">
		<att name="red" type="i">29298</att>
		<att name="green" type="i">39578</att>
		<att name="blue" type="i">39578</att>
	</obj>
	<obj id="0000000012" name="clrMemL2" type="SerializableColorSpec">
		<att name="red" type="i">43176</att>
		<att name="green" type="i">37008</att>
		<att name="blue" type="i">43433</att>
	</obj>
	<obj id="0000000013" name="clrMemL3" type="SerializableColorSpec">
		<att name="red" type="i">28270</att>
		<att name="green" type="i">31354</att>
		<att name="blue" type="i">31354</att>
	</obj>
	<obj id="0000000014" name="clrMemR1" type="SerializableColorSpec">
		<att name="red" type="i">29298</att>
		<att name="green" type="i">39578</att>
		<att name="blue" type="i">39578</att>
	</obj>
	<obj id="0000000015" name="clrMemR2" type="SerializableColorSpec">
		<att name="red" type="i">43176</att>
		<att name="green" type="i">37008</att>
		<att name="blue" type="i">43433</att>
	</obj>
	<obj id="0000000016" name="clrMemR3" type="SerializableColorSpec">
		<att name="red" type="i">28270</att>
		<att name="green" type="i">31354</att>
		<att name="blue" type="i">31354</att>
	</obj>
	<obj id="0000000017" name="clrMemM1" type="SerializableColorSpec">
		<att name="red" type="i">29298</att>
		<att name="green" type="i">39578</att>
		<att name="blue" type="i">39578</att>
	</obj>
	<obj id="0000000018" name="clrMemM2" type="SerializableColorSpec">
		<att name="red" type="i">43176</att>
		<att name="green" type="i">37008</att>
		<att name="blue" type="i">43433</att>
	</obj>
	<obj id="0000000019" name="clrMemM3" type="SerializableColorSpec">
		<att name="red" type="i">28270</att>
		<att name="green" type="i">31354</att>
		<att name="blue" type="i">31354</att>
	</obj>
	<obj id="0000000020" name="clrBG" type="SerializableColorSpec">
		<att name="red" type="i">23644</att>
		<att name="green" type="i">23387</att>
		<att name="blue" type="i">23387</att>
	</obj>
	<obj id="0000000021" name="clrGrid" type="SerializableColorSpec">
		<att name="red" type="i">26214</att>
		<att name="green" type="i">25957</att>
		<att name="blue" type="i">26214</att>
	</obj>
	<obj id="0000000022" name="clrLabels" type="SerializableColorSpec">
		<att name="red" type="i">7710</att>
		<att name="green" type="i">7710</att>
		<att name="blue" type="i">7453</att>
	</obj>
	<obj id="0000000023" name="clrReadout" type="SerializableColorSpec">
		<att name="red" type="i">61423</att>
		<att name="green" type="i">61423</att>
		<att name="blue" type="i">61423</att>
	</obj>
</obj>
</obj_archive>
)QVX";

constexpr std::string_view k3rdOctColors = R"QVX(<obj_archive type="CVL Plugin Settings (Copyright 2026 Corvanel Sound.)">
<obj id="0000000001" name="ana3rdOct_colors" type="QVXSpecConfigArchivedColors">
	<obj id="0000000002" name="clrLeft" type="SerializableColorSpec">
		<att name="red" type="i">31097</att>
		<att name="green" type="i">31354</att>
		<att name="blue" type="i">64250</att>
	</obj>
	<obj id="0000000003" name="clrRight" type="SerializableColorSpec">
		<att name="red" type="i">55769</att>
		<att name="green" type="i">32382</att>
		<att name="blue" type="i">32639</att>
	</obj>
	<obj id="0000000004" name="clrLR" type="SerializableColorSpec">
		<att name="red" type="i">37008</att>
		<att name="green" type="i">37265</att>
		<att name="blue" type="i">37008</att>
	</obj>
	<obj id="0000000005" name="clrLeftPeak" type="SerializableColorSpec">
		<att name="red" type="i">0</att>
		<att name="green" type="i">0</att>
		<att name="blue" type="i">39321</att>
	</obj>
	<obj id="0000000006" name="clrRightPeak" type="SerializableColorSpec">
		<att name="red" type="i">39321</att>
		<att name="green" type="i">0</att>
		<att name="blue" type="i">0</att>
	</obj>
	<obj id="0000000007" name="clrLRPeak" type="SerializableColorSpec">
		<att name="red" type="i">63736</att>
		<att name="green" type="i">63736</att>
		<att name="blue" type="i">20046</att>
	</obj>
	<obj id="0000000008" name="clrLeftAvg" type="SerializableColorSpec">
		<att name="red" type="i">14906</att>
		<att name="green" type="i">15163</att>
		<att name="blue" type="i">35723</att>
	</obj>
	<obj id="0000000009" name="clrRightAvg" type="SerializableColorSpec">
		<att name="red" type="i">26985</att>
		<att name="green" type="i">13878</att>
		<att name="blue" type="i">13878</att>
	</obj>
	<obj id="0000000010" name="clrLRAvg" type="SerializableColorSpec">
		<att name="red" type="i">61423</att>
		<att name="green" type="i">61423</att>
		<att name="blue" type="i">61423</att>
	</obj>
	<obj id="0000000011" name="clrMemL1" type="SerializableColorSpec">
		<att name="red" type="i">29298</att>
		<att name="green" type="i">39578</att>
		<att name="blue" type="i">39578</att>
	</obj>
	<obj id="0000000012" name="clrMemL2" type="SerializableColorSpec">
		<att name="red" type="i">43176</att>
		<att name="green" type="i">37008</att>
		<att name="blue" type="i">43433</att>
	</obj>
	<obj id="0000000013" name="clrMemL3" type="SerializableColorSpec">
		<att name="red" type="i">28270</att>
		<att name="green" type="i">31354</att>
		<att name="blue" type="i">31354</att>
	</obj>
	<obj id="0000000014" name="clrMemR1" type="SerializableColorSpec">
		<att name="red" type="i">29298</att>
		<att name="green" type="i">39578</att>
		<att name="blue" type="i">39578</att>
	</obj>
	<obj id="0000000015" name="clrMemR2" type="SerializableColorSpec">
		<att name="red" type="i">43176</att>
		<att name="green" type="i">37008</att>
		<att name="blue" type="i">43433</att>
	</obj>
	<obj id="0000000016" name="clrMemR3" type="SerializableColorSpec">
		<att name="red" type="i">28270</att>
		<att name="green" type="i">31354</att>
		<att name="blue" type="i">31354</att>
	</obj>
	<obj id="0000000017" name="clrMemM1" type="SerializableColorSpec">
		<att name="red" type="i">29298</att>
		<att name="green" type="i">39578</att>
		<att name="blue" type="i">39578</att>
	</obj>
	<obj id="0000000018" name="clrMemM2" type="SerializableColorSpec">
		<att name="red" type="i">43176</att>
		<att name="green" type="i">37008</att>
		<att name="blue" type="i">43433</att>
	</obj>
	<obj id="0000000019" name="clrMemM3" type="SerializableColorSpec">
		<att name="red" type="i">28270</att>
		<att name="green" type="i">31354</att>
		<att name="blue" type="i">31354</att>
	</obj>
	<obj id="0000000020" name="clrBG" type="SerializableColorSpec">
		<att name="red" type="i">23644</att>
		<att name="green" type="i">23387</att>
		<att name="blue" type="i">23387</att>
	</obj>
	<obj id="0000000021" name="clrGrid" type="SerializableColorSpec">
		<att name="red" type="i">26214</att>
		<att name="green" type="i">25957</att>
		<att name="blue" type="i">26214</att>
	</obj>
	<obj id="0000000022" name="clrLabels" type="SerializableColorSpec">
		<att name="red" type="i">7710</att>
		<att name="green" type="i">7710</att>
		<att name="blue" type="i">7453</att>
	</obj>
	<obj id="0000000023" name="clrReadout" type="SerializableColorSpec">
		<att name="red" type="i">61423</att>
		<att name="green" type="i">61423</att>
		<att name="blue" type="i">61423</att>
	</obj>
</obj>
</obj_archive>
)QVX";

} // namespace

std::string_view QVXDefaultFFTColorDocument()
{
    return kFFTColors;
}

std::string_view QVXDefault3rdOctColorDocument()
{
    return k3rdOctColors;
}
