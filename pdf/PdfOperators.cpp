// PDF's content operators as PostScript procedures.
#include "pdf/PdfOperators.h"

// The fill and stroke colours are kept apart, as PDF keeps them: each is a procedure
// that sets it, run before the operator that paints with it, and q and Q save and
// restore them with the graphics state. A path painted with W or W* pending clips what
// follows. Text operators in content are read and do nothing (TeX's characters come
// from the DVI file). An operator whose object is missing paints nothing, and so does
// what is painted with a pattern. What is painted through a soft mask (pgf's fadings,
// beamer's shadows) is reported with the mask, whose group's paints are reported too.
const std::string_view pdfOperators = R"PS(
userdict begin
currentglobal true setglobal
/pdfobjects 64 dict def
/pdfresources 8 dict def
setglobal
/pdfref { pdfobjects 1 index known { pdfobjects exch get } { pop null } ifelse } bind def
/pdfdefine { pdfobjects 3 1 roll put } bind def
/pdfput {
  1 index pdfref dup type /dicttype eq {
    exch { 2 index 3 1 roll put } forall pop pop
  } {
    dup type /arraytype eq {
      exch dup type /arraytype ne { 1 array astore } if
      [ 3 1 roll exch aload pop counttomark -1 roll aload pop ] pdfdefine
    } { pop pdfdefine } ifelse
  } ifelse
} bind def
/pdfaddresources {
  { exch pdfresources 1 index known not { pdfresources 1 index [] put } if
    pdfresources 1 index get [ exch aload pop counttomark 3 add -1 roll ] pdfresources 3 1 roll put
  } forall
} bind def
/pdfmergeresources {
  { {
      2 index 2 index known {
        exch 2 index exch get exch { 2 index 3 1 roll put } forall pop
      } { 2 index 3 1 roll put } ifelse
  } forall } forall
} bind def
/pdfops 96 dict def
pdfops begin
/pdfform null def
/pdfresource {
  null pdfform type /dicttype eq {
    pdfform /Resources known {
      pdfform /Resources get 3 index known {
        pop pdfform /Resources get 2 index get 1 index known {
          pdfform /Resources get 2 index get 1 index get
        } { null } ifelse
      } if
    } if
  } if
  dup null eq {
    pop pdfresources 2 index known {
      null pdfresources 3 index get { dup type /dicttype eq {
        dup 3 index known { 2 index get exch pop } { pop } ifelse } { pop } ifelse } forall
    } { null } ifelse
  } if
  3 1 roll pop pop
} bind def
/pdffill { 0 setgray } def
/pdfstroke { 0 setgray } def
/pdfclip 0 def
/pdfsaved [] def
% The soft mask painted through is the reporting prologue's (state's mask, when there is one).
/pdfstate { /dg where { /dg get /state get } { 4 dict } ifelse } bind def
/pdfmask { pdfstate dup /mask known { /mask get } { pop 0 } ifelse } bind def
/q {
  gsave /pdfsaved [ /pdffill load /pdfstroke load /pdfform load pdfmask pdfsaved ] def
} bind def
/Q {
  pdfsaved length 5 eq {
    /pdffill pdfsaved 0 get def /pdfstroke pdfsaved 1 get def /pdfform pdfsaved 2 get def
    pdfstate /mask pdfsaved 3 get put /pdfsaved pdfsaved 4 get def
  } if
  grestore
} bind def
/cm { 6 array astore concat } bind def
/m { moveto } bind def
/l { lineto } bind def
/c { curveto } bind def
/v { currentpoint 6 2 roll curveto } bind def
/y { 2 copy curveto } bind def
/h { closepath } bind def
/re { 4 2 roll moveto 1 index 0 rlineto 0 exch rlineto neg 0 rlineto closepath } bind def
/pdfendpath {
  pdfclip 1 eq { clip } if pdfclip 2 eq { eoclip } if /pdfclip 0 def newpath
} bind def
/W { /pdfclip 1 def } bind def
/W* { /pdfclip 2 def } bind def
/n { pdfendpath } bind def
/f { gsave pdffill fill grestore pdfendpath } bind def
/F { f } bind def
/f* { gsave pdffill eofill grestore pdfendpath } bind def
/S { gsave pdfstroke stroke grestore pdfendpath } bind def
/s { closepath S } bind def
/B { gsave pdffill fill grestore S } bind def
/B* { gsave pdffill eofill grestore S } bind def
/b { closepath B } bind def
/b* { closepath B* } bind def
/w { setlinewidth } bind def
/J { setlinecap } bind def
/j { setlinejoin } bind def
/M { setmiterlimit } bind def
/d { setdash } bind def
/i { setflat } bind def
/ri { pop } bind def
/pdfcolour { cvx ] cvx } bind def
/g { [ exch /setgray pdfcolour /pdffill exch def } bind def
/G { [ exch /setgray pdfcolour /pdfstroke exch def } bind def
/rg { [ 4 1 roll /setrgbcolor pdfcolour /pdffill exch def } bind def
/RG { [ 4 1 roll /setrgbcolor pdfcolour /pdfstroke exch def } bind def
/k { [ 5 1 roll /setcmykcolor pdfcolour /pdffill exch def } bind def
/K { [ 5 1 roll /setcmykcolor pdfcolour /pdfstroke exch def } bind def
/pdfspace 4 dict def
/pdfcomponents {
  dup /DeviceGray eq { pop 1 } { dup /DeviceRGB eq { pop 3 } { /DeviceCMYK eq { 4 } { 0 } ifelse } ifelse } ifelse
} bind def
/cs { pdfspace /fill 3 -1 roll pdfcomponents put 0 0 0 1 pdfspace /fill get dup 0 eq { pop pop pop pop pop } { 4 exch sub { pop } repeat pdfsetfill } ifelse } bind def
/CS { pdfspace /stroke 3 -1 roll pdfcomponents put 0 0 0 1 pdfspace /stroke get dup 0 eq { pop pop pop pop pop } { 4 exch sub { pop } repeat pdfsetstroke } ifelse } bind def
/pdfsetter { dup 1 eq { pop /setgray } { 3 eq { /setrgbcolor } { /setcmykcolor } ifelse } ifelse } bind def
/pdfsetfill { pdfspace /fill get dup 0 eq { pop } { [ 1 index 2 add 1 roll pdfsetter pdfcolour /pdffill exch def } ifelse } bind def
/pdfsetstroke { pdfspace /stroke get dup 0 eq { pop } { [ 1 index 2 add 1 roll pdfsetter pdfcolour /pdfstroke exch def } ifelse } bind def
/sc { pdfsetfill } bind def
% A pattern (a name, after the components of an uncoloured one) paints nothing here.
/pdfnumber { count 0 gt { dup type dup /integertype eq exch /realtype eq or } { false } ifelse } bind def
/pdfnopattern { pop { pdfnumber { pop } { exit } ifelse } loop } bind def
% What is left out is counted as a paint the interpreter could not report (not bound:
% its clip is the reporting prologue's, not the operator).
/pdfleftout { /dg where { pop dg begin (g ?\n) word clip path end } if } def
/pdfinvisible {
  pdfleftout
  /.setfillconstantalpha where { pop 0.0 .setfillconstantalpha 0.0 .setstrokeconstantalpha } if
} bind def
/scn { dup type /nametype eq { pdfnopattern /pdffill { pdfinvisible } def } { pdfsetfill } ifelse } bind def
/SC { pdfsetstroke } bind def
/SCN { dup type /nametype eq { pdfnopattern /pdfstroke { pdfinvisible } def } { pdfsetstroke } ifelse } bind def
pdfspace /fill 1 put pdfspace /stroke 1 put
/pdfalpha { dup type /integertype eq { cvr } if } bind def
/gs {
  /ExtGState exch pdfresource dup type /dicttype eq {
    dup /CA known { /.setstrokeconstantalpha where { pop dup /CA get pdfalpha .setstrokeconstantalpha } if } if
    dup /ca known { /.setfillconstantalpha where { pop dup /ca get pdfalpha .setfillconstantalpha } if } if
    dup /LW known { dup /LW get setlinewidth } if
    dup /LC known { dup /LC get setlinecap } if
    dup /LJ known { dup /LJ get setlinejoin } if
    dup /ML known { dup /ML get setmiterlimit } if
    dup /D known { dup /D get aload pop setdash } if
    dup /SMask known { dup /SMask get pdfsoftmask } if
    dup /BM known { /.setblendmode where {
      pop dup /BM get dup type /arraytype eq { 0 get } if { .setblendmode } stopped pop } if } if
  } if
  pop
} bind def
% A soft mask: its group painted now, in the current transformation, each record of it
% marked as the mask's; what is painted after it, until the Q that ends its q, is
% painted through it. /None ends the one painted through.
/pdfluminosity {  % backdrop array -> its luminosity
  dup length 1 eq { 0 get } {
    dup length 3 eq { aload pop 0.11 mul exch 0.59 mul add exch 0.3 mul add } { pop 0 } ifelse
  } ifelse
} bind def
/pdfclamp {  % a luminosity from 0 to 1; 0 for what is not a number
  dup type dup /integertype eq exch /realtype eq or {
    dup 0 lt { pop 0 } if dup 1 gt { pop 1 } if
  } { pop 0 } ifelse
} bind def
/pdfsoftmask {  % the SMask entry of an ExtGState
  dup type /dicttype eq pdfstate /masks known and {
    dup /G known {
      pdfstate /masks 2 copy get 1 add put pdfstate /masks get
      dg begin
        (M ) word dup num
        1 index /S known { 1 index /S get /Alpha eq } { false } ifelse { ( 1 ) } { ( 0 ) } ifelse word
        1 index /BC known { 1 index /BC get { pdfluminosity } stopped { pop 0 } if } { 0 } ifelse
        pdfclamp num (\n) word
      end
      pdfstate /masking get
      q
        pdfstate /masking 3 index put pdfstate /mask 0 put
        /pdffill { 0 setgray } def /pdfstroke { 0 setgray } def
        2 index /G get pdfdoform
      Q
      pdfstate /masking 3 -1 roll put
      pdfstate /mask 3 -1 roll put
    } if
  } { pdfstate /mask 0 put } ifelse
  pop
} bind def
/sh {
  /Shading exch pdfresource dup type /dicttype eq {
    gsave mark exch { shfill } stopped cleartomark grestore
  } { pop } ifelse
} bind def
/pdfdoform {
  dup type /dicttype eq {
    q /pdfform exch def
    pdfform /Matrix known { pdfform /Matrix get concat } if
    pdfform /BBox known { pdfform /BBox get aload pop 2 index sub exch 3 index sub exch re W n } if
    pdfform /Proc known { pdfform /Proc get exec } if
    Q
  } { pop } ifelse
} bind def
/Do { /XObject exch pdfresource pdfdoform } bind def
/BT { } def /ET { } def /Tf { pop pop } def /Td { pop pop } def /TD { pop pop } def
/Tm { 6 { pop } repeat } def /Tj { pop } def /TJ { pop } def /' { pop } def
/" { pop pop pop } def /Tc { pop } def /Tw { pop } def /Tz { pop } def /TL { pop } def
/Ts { pop } def /Tr { pop } def /T* { } def /d0 { pop pop } def /d1 { 6 { pop } repeat } def
/BMC { pop } def /BDC { pop pop } def /EMC { } def /MP { pop } def /DP { pop pop } def
/BX { } def /EX { } def
end
end
)PS";
