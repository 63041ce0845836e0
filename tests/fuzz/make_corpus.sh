#!/usr/bin/env bash
# Writes the seed corpus of the fuzz targets into tests/data/fuzz: small inputs that reach
# every reader outcome, every text-mode rule, every notice and every injected failure, so
# that a short fuzz run starts from all the paths instead of finding them by chance.
# Each input begins with its target's option bytes (see the comment atop each fuzz_*.cpp).
set -euo pipefail
out="$(cd "$(dirname "$0")/../data/fuzz" && pwd)"
rm -rf "$out/reader" "$out/run" "$out/intake" "$out/detailed"
mkdir -p "$out/reader" "$out/run" "$out/intake" "$out/detailed"

seed() { printf "$3" > "$out/$1/$2"; }

mpms3='[Header]\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),Transport Action,DC Moment Fixed Ctr (emu),DC Moment Err Fixed Ctr (emu),DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu),DC Fixed Fit,Map 16'
good=$'[Header]\r\nTITLE,run\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),Long Moment (emu),Long Scan Std Dev,x,\r\n'

# reader: option byte = piece size (bits 0-2), CP932 (bit 3), keep order (bits 4-7)
seed reader empty-no-data-section '\x07'
seed reader data-first-not-squid '\x07[Data]\r\n[Header]\r\n'
seed reader header-trailing-blank '\x07[Header] \r\n[Data]\r\nTime,Comment\r\n'
seed reader data-last-no-column-line '\x00[Header]\r\n[Data]'
seed reader column-lower-case-mismatch '\x17[Header]\n[Data]\ntime,comment\n1,c,2,3,4,5,6\n'
seed reader column-short-mismatch '\x27[Header]\n[Data]\nTime,Comm\n'
seed reader rows-zero '\x03[Header]\r\n[Data]\r\nTime,Comment,Field\r\n'
seed reader rows-shapes '\x01[Header]\r\n[Data]\r\nTime,Comment,Field\r\n1,c,2,3,4,5,6\r\n1,c,2,3,4,5\r\nno commas\r\n\r\n , " ,,,,,\r\n'
seed reader rows-no-final-line-end '\x02[Header]\n[Data]\nTime,Comme\n1,,2,3,4,5,'
seed reader cr-lf-and-lone-cr '\x31[Header]\r\n[Data]\r\nTime,Comment\r\n1\r2,c,3,4,5,6,\r\r\n'
seed reader ctrl-z-mid-row '\x42[Header]\r\n[Data]\r\nTime,Comment\r\n1,c,2,3\x1a,4,5,6\r\n7,c,8,9,10,11,\r\n'
seed reader nul-in-row '\x53[Header]\r\n[Data]\r\nTime,Comment\r\n1,c\x00,2,3,4,5,\r\n6,c,7,8,9,10,\r\n'
seed reader nul-in-header '\x64[Header\x00]\r\n[Data]\r\n'
seed reader long-column-line '\x75[Header]\r\n[Data]\r\nTime,Comment,aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n1,c,2,3,4,5,bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb\r\n'
seed reader cp932-lead-before-comma '\x09[Header]\r\n[Data]\r\nTime,Comment\r\n\x95,c,\x82\xa0,3,\x81,,5,\r\n'
seed reader cp932-lead-at-end '\x8a[Header]\r\n[Data]\r\nTime,Comment\r\n1,c,2,3,4,5\x81'
seed reader only-commas '\x96,,,,,,,,,,,,,,,,,,,,'
seed reader only-crs '\xa7\r\r\r\r\r\r\r\r\r\r\r\r'
seed reader only-nuls '\xb0\x00\x00\x00\x00\x00\x00\x00\x00'
seed reader cr-and-tab-values '\x01[Header]\r\n[Data]\r\nTime,Comment\r\n1,,2\rEND\rX Print 1\rBEGIN\r3,4\t,5,6,\r\n'
seed reader mpms3-vsm-and-dc "\\x01${mpms3}\\r\\n,3765255600.5,300.1,10000,1.2E-05,3E-08,1,9,9,9,9,,\\r\\n,100,2,500,,,2,1E-4,2E-6,1.1E-4,3E-6,0.99,\\r\\n"
seed reader mpms3-quotes-short-empty "\\x07${mpms3}\\r\\n\"ZFC, 2 K\",7,2,100,,,,,,5E-5,1E-7,,\\r\\n\"a \"\"b,c\"\"\",8,2\\r\\n\\r\\n,\\t1,2\\r,3,4,5"
seed reader mpms3-other-order '\x02[Header]\r\n[Data]\r\nComment,Time Stamp (sec),DC Moment Err Free Ctr (emu),Magnetic Field (Oe),Moment (emu),Temperature (K),DC Moment Free Ctr (emu),M. Std. Err. (emu)\r\n,1,e2,F,,T,m2,e1\r\n,1,e2,F,m1,T,m2,e1\r\n'
seed reader mpms3-cp932 "\\x0b${mpms3}\\r\\n\\x95,\\x81\\\",1,\\x82\\xa0,3,\\x81,,5,,,,,,\\r\\n"
seed reader acms-passed-over '\x03[Header]\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),M-DC (emu),M-Std.Dev. (emu)\r\n,1,2,3,4,5\r\n'

# run: option bytes, then the prefix field and the files, separated by 0x1E
# byte 0: piece (0-2), CP932 (3), failure none/read/write/commit (4-5), second file missing
# (6), output names the first input (7); byte 1: failure offset /61 (0-5), sanitize (6),
# input close fails (7)
rows3="${good}1,,10,300,1E-5,2E-7,x,\r\n2,,10,300,1E-5,2E-7,x,\r\n3,,10,300,1E-5,2E-7,x,\r\n"
rows4="${good}4,,10,300,1E-5,2E-7,x,\r\n5,,10,300,,,\r\n6\r\n\r\n"
seed run empty-queue '\x07\x40run1'
seed run two-files-concatenated "\\x07\\x40run1\\x1e${rows3}\\x1e${rows4}"
seed run not-squid-then-good "\\x03\\x40p\\x1e[Data]\\r\\n\\x1e${rows3}"
seed run no-data-then-silent-skips "\\x01\\x40p\\x1e[Header]\\r\\n\\x1e[Header]\\r\\n[Data]\\x1e[Header]\\r\\n[Data]\\r\\nTime,Other\\r\\n1,,2,3,4,5,\\r\\n"
seed run second-missing "\\x47\\x40p\\x1e${rows3}\\x1e${rows4}\\x1e${rows3}"
seed run output-names-input "\\x87\\x40p\\x1e${rows3}"
seed run read-fails "\\x17\\x42p\\x1e${rows3}\\x1e${rows4}"
seed run write-fails "\\x27\\x45p\\x1e${rows3}\\x1e${rows4}"
seed run commit-fails "\\x37\\x40p\\x1e${rows3}"
seed run input-close-fails "\\x07\\xc0p\\x1e${rows3}"
seed run prefix-sanitized "\\x07\\x401st-run\\x1e${rows3}"
seed run prefix-empty-unsanitized "\\x07\\x00\\x1e${rows3}"
seed run older-then-mpms3 "\\x07\\x40p\\x1e${rows3}\\x1e${mpms3}\\r\\n,100,2,500,,,2,1E-4,2E-6,1.1E-4,3E-6,0.99,\\r\\n\"c, d\",101,2,600,7,8,,,,,,,\\r\\n"
seed run cr-injection "\\x07\\x40p\\x1e${good}1,,2\\rEND\\rX Print 1\\rBEGIN\\r3,4,5,6,\\r\\n"
seed run cp932-values "\\x0b\\x40\\x95\\x5c\\x1e${good}\\x95\\x5c,\\x82\\xa0,\\x81\\x2c,3,4,5,\\r\\n"

# intake: option byte = CP932 (bit 0), backslash separators (bit 1); paths separated by 0x1E
seed intake windows-file '\x02C:\\data\\run1.dat'
seed intake windows-two-files '\x02C:\\data\\run1.dat\x1eC:\\data\\run2.dat'
seed intake dotted-folder '\x02C:\\run.1\\data'
seed intake directory-and-dot-end '\x02C:\\data\x1eC:\\data\\data.\x1eC:\\x\\1st-run.dat'
seed intake only-extension '\x00/home/u/.dat'
seed intake blank-and-quote '\x00/home/u/my run "1".dat'
seed intake cp932-folder '\x03C:\\\x95\x5c\\\x83\x5c.dat\x1eC:\\\x82\xa0.\x81\x2e\\x'
seed intake invalid-utf8 '\x00/tmp/\xff\xfe\xc3.dat'
seed intake newline-and-dash '\x00/tmp/a\nb/-x.dat'

# detailed: option byte = piece (0-2), CP932 (3), second file missing (4), no prefix (5); then
# the prefix field and the files, separated by 0x1E; a file may give its display name before
# a 0x1F
rep() { local s=""; for ((i = 0; i < $2; i++)); do s+="$1"; done; printf '%s' "$s"; }
columns_dc='Time,Comment,Field (Oe),Temperature (K),Long Moment (emu),Long Scan Std Dev,'
xl_dc="[Header]\\r\\nTITLE,run\\r\\n[Data]\\r\\n${columns_dc}\\r\\n1,,10,300,1E-5,2E-7,\\r\\n2,,20,300,,,\\r\\n"
xl_ac='[Header]\r\nTITLE,ac\r\n[Data]\r\nTime,Comment,Field (Oe),Temperature (K),m\x27 (emu),m\x27 Scan Std Dev,m" (emu),m" Scan Std Dev,Wave Frequency (Hz),Drive Amplitude (Oe),\r\n7,,0,5,1E-05,2E-08,3E-07,,10,3.8,\r\n'
mpms3_ac='[Header]\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu),DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu),AC X\x27 (emu/Oe),AC X\x27 Std Err. (emu/Oe),AC X\x27\x27 (emu/Oe),AC X\x27\x27 Std Err. (emu/Oe),AC Frequency (Hz),AC Drive (Oe)\r\n,100,2.0,0,,,,,3.1E-04,1E-06,2.2E-05,2E-06,757,3.0\r\n"ZFC, 2 K",101,2.0,0,1E-5,1E-8,,,,,,,,\r\n'
acms='[Header]\r\nTITLE,acms\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),M-DC (emu),M-Std.Dev. (emu),M\x27 (emu),M\x27\x27 (emu),Frequency (Hz),Amplitude (Oe)\r\n,1234.5,10,0,5E-05,1E-07,3E-05,4E-06,1000,10\r\n'
resistivity='[Header]\r\n[Data]\r\nComment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Bridge 1 Resistivity (Ohm-m)\r\n,1,300,0,1E-6\r\n'
quotes="[Header]\\r\\n; by hand\\r\\nTITLE,Fe3O4 \"12 nm\" in C:\\\\data\\\\\\r\\nINFO,\\x01mass\\x7f 1.90 mg\\t,SAMPLE_MASS\\r\\n\\r\\n[Data]\\r\\n${columns_dc}\\r\\n1,,2,3,4,5,\\r\\n"
cp932="[Header]\\r\\nINFO,\\x95\\x5c\\x83\\x5c \\x83\"x\" \\x83\\\\y \\x83\\r\\n[Data]\\r\\n${columns_dc}\\r\\n1,,2,3,4,5,\\r\\n"
long_utf8="[Header]\\r\\nINFO,n$(rep '\xe3\x81\x82' 300)\\r\\nINFO,$(rep '\xc3\xa9"' 200)\\r\\n[Data]\\r\\n${columns_dc}\\r\\n1,,2,3,4,5,\\r\\n"
long_cp932="[Header]\\r\\nINFO,n$(rep '\x82\xa0' 300)\\r\\nINFO,$(rep '\x95\x5c"' 200)\\r\\n[Data]\\r\\n${columns_dc}\\r\\n1,,2,3,4,5,\\r\\n"
small="[Header]\\r\\n[Data]\\r\\n${columns_dc}\\r\\n1,,2,3,4,5,\\r\\n"
seed detailed empty-queue '\x07p'
seed detailed xl-dc "\\x07p\\x1e${xl_dc}"
seed detailed xl-dc-and-ac-named-alike-but-case "\\x05p\\x1erun 1.dat\\x1f${xl_dc}\\x1eRUN 1.ac.dat\\x1f${xl_ac}"
seed detailed mpms3-ac-dc "\\x03p\\x1e${mpms3_ac}"
seed detailed acms-byte-pieces "\\x00p\\x1e${acms}"
seed detailed header-quotes-backslashes-controls "\\x07p\\x1e${quotes}"
seed detailed header-cp932 "\\x0fp\\x1e${cp932}"
seed detailed header-cp932-read-as-utf8 "\\x07p\\x1e${cp932}"
seed detailed long-notes-utf8 "\\x04p\\x1e${long_utf8}"
seed detailed long-notes-cp932 "\\x0cp\\x1e${long_cp932}"
seed detailed not-squid-passed-over-good "\\x07p\\x1e[Data]\\r\\n\\x1e${resistivity}\\x1e${xl_dc}"
seed detailed no-data-no-column-line "\\x01p\\x1e[Header]\\r\\n\\x1e[Header]\\r\\n[Data]\\x1e${small}"
seed detailed second-missing "\\x17p\\x1e${xl_dc}\\x1e${xl_dc}\\x1e${acms}"
seed detailed names-alike "\\x07p\\x1ea.dat\\x1f${small}\\x1eA.dat\\x1f${small}\\x1ea\\x1f${small}\\x1ea_2.dat\\x1f${small}\\x1eFe3O4 ZFC-FC 100 Oe (sample 12 nm).dat\\x1f${small}\\x1efe3o4 zfc-fc 100 oe (sample 12 nm).ac.dat\\x1f${small}\\x1e.dat\\x1f${small}\\x1e1st run.dat\\x1f${small}"
# stems cut to leave room for "_2" where the cut falls on a "_"
seed detailed names-long-alike "\\x07p\\x1e$(rep a 238)_b.dat\\x1f${small}\\x1e$(rep A 238)-B.dat\\x1f${small}\\x1e$(rep a 300).dat\\x1f${small}\\x1e$(rep a 241).x\\x1f${small}"
seed detailed names-non-ascii "\\x07p\\x1e\\xe6\\xb8\\xac\\xe5\\xae\\x9a.dat\\x1f${small}\\x1e\\xe6\\xb8\\xac\\xe5\\xae\\x9a 2.dat\\x1f${small}\\x1emy \"q\" \\\\.dat\\x1f${small}"
seed detailed names-cp932 "\\x0bp\\x1e\\x91\\xaa\\x92\\xe8.dat\\x1f${small}\\x1e\\x83\\x5c.dat\\x1f${small}\\x1ea.b.c.dat\\x1f${small}\\x1e\\x83.dat\\x1f${small}"
seed detailed long-prefix "\\x07$(rep a 250)\\x1e${mpms3_ac}"
seed detailed prefix-digit-first "\\x071st\\x1e${acms}"
seed detailed older-layout-without-field "\\x07p\\x1e[Header]\\r\\n[Data]\\r\\nTime,Comment\\r\\n1,,2,3,4,5,\\r\\n"
seed detailed rows-odd-values "\\x02p\\x1e[Header]\\r\\n[Data]\\r\\n${columns_dc}\\r\\n1,,2\\r3,4,5,6,\\r\\n\\t1, 2 ,inf,-nan,1e5,x,\\r\\n\\r\\n7\\r\\n"
seed detailed header-nul-and-ctrl-z "\\x06p\\x1e[Header]\\r\\nA\\x00B\\r\\n\\x1a[Data]\\r\\n${columns_dc}\\r\\n1,,2,3,4,5,\\r\\n"
# the sample's facts in both forms, what Igor computes from them and the dates; a stem so
# long that Duplicate and assignment lines pass 400 bytes and SetScale takes two lines, and
# a path and a comment that go on over several lines
facts='INFO,7.2,SAMPLE_MASS\r\nINFO,150.5,SAMPLE_MOLECULAR_WEIGHT\r\nINFO,Fe(pc), powder,SAMPLE_MATERIAL\r\nINFO,"ZFC" \\\\ 2 K,SAMPLE_COMMENT\r\nFILEOPENTIME,3764744147.23462,04/18/2019,11:16 am\r\n'
mpms3_dc='Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),Moment (emu),M. Std. Err. (emu)\r\n,3764744147.23462,2,1000,3.6E-03,1E-07\r\n,3764744207.23462,2,0,1E-04,1E-07\r\n'
xl_weight="[Header]\\r\\nINFO, NAME, magnetite\\r\\nINFO, WEIGHT, 48.400\\r\\nFILEOPENTIME, 1164777384.812000 11/28/2006, 9:16:24 PM\\r\\n[Data]\\r\\n${columns_dc}\\r\\n1164777384.812,,100,300,2.42E-03,1E-08,\\r\\n"
acms2='Comment,Time Stamp (sec),Temperature (K),Magnetic Field (Oe),DC Moment (emu),DC Std. Err. (emu),AC Frequency (Hz),AC Drive (Oe),AC X\x27  (emu/Oe),AC X" (emu/Oe)\r\n,3764744147.5,5,100,2.5E-04,3E-08,,,,\r\n,3764744148.5,5,0,,,1000,10,2E-05,3E-07\r\n'
seed detailed facts-computed-dates "\\x07p\\x1e2K_MH.dat\\x1f[Header]\\r\\n${facts}[Data]\\r\\n${mpms3_dc}\\x1e\\xe8\\xa9\\xa6\\xe6\\x96\\x99A_ZFC.dat\\x1f${xl_weight}\\x1eac.dat\\x1f[Header]\\r\\n${facts}${mpms3_ac#\[Header\]\\r\\n}\\x1eacms2.dat\\x1f[Header]\\r\\n${facts}[Data]\\r\\n${acms2}"
comment="INFO,$(rep '\xe3\x81\x82"\\' 200),SAMPLE_COMMENT\\r\\n"
seed detailed facts-long-stem "\\x0c$(rep p 40)\\x1e$(rep b 250).dat\\x1f[Header]\\r\\n${facts}${comment}[Data]\\r\\n${mpms3_dc}\\x1e$(rep B 450).dat\\x1f${xl_weight}"
seed detailed no-prefix-nothing-converted '\x27\x1e[Data]\r\n\x1e[Header]\r\n[Data]\r\n'
seed detailed no-prefix "\\x23\\x1e${xl_weight}"
