// The reporting prologue. Its procedures keep their variables in the dictionary dg,
// whose names must not be those of operators the procedures call: bind would have
// fixed those.
#include "ps/ReportingPrologue.h"

const std::string_view reportingPrologue = R"ps(
% What the page's PostScript paints is reported rather than painted. Each painting
% operator writes a record to standard output: a header line, then the clip path and
% the painted path in default user space (big points, y upwards), each ended by "e".
% This is loaded before dvips's prologue files, whose bound procedures then call these.
/dg 70 dict def
dg begin
/in currentfile def
% What the main loop keeps across a chunk, in global VM: a chunk may restore to a save
% made before it began (dvips's eop restores bop's), which must not take these back.
currentglobal true setglobal /state 12 dict def setglobal
state /stroking false put
% The page's records are counted: past `most` (which the page's opening sets), a paint
% is not reported, only counted by a line "z".
state /paints 0 put state /most 1000000 put
% Constant alpha and blend mode (pgf's opacity). A record painted under an alpha below
% 1, or under a blend mode other than Normal, is preceded by "o alpha blend"; one
% painted under alpha 0 is not reported: it paints nothing.
/.currentfillconstantalpha where { pop
  /alpha { state /stroking get { .currentstrokeconstantalpha } { .currentfillconstantalpha } ifelse } bind def
} { /alpha { 1 } bind def } ifelse
/.currentblendmode where { pop
  /blend { .currentblendmode dup /Normal eq exch /Compatible eq or { 0 } { 1 } ifelse } bind def
} { /blend { 0 } bind def } ifelse
% A soft mask (PDF content's): "M n alpha backdrop" begins soft mask n, the records of
% its group follow "K n" lines, and those painted through it "k n" lines. state's
% masking is the mask whose group is being painted, mask the one painted through (0:
% none); masks counts the page's.
state /masking 0 put state /mask 0 put state /masks 0 put
/masked { state /masking get 0 ne state /mask get 0 ne or } bind def
/opacity {  % -> whether the paint shows; writes its "o" and "K" or "k" lines when it needs them
  state /paints 2 copy get 1 add put
  state /paints get state /most get gt { (z\n) word false } {
  alpha dup 0 le { pop false } {
    dup 1 lt blend 0 ne or { (o ) word num ( ) word blend num (\n) word } { pop } ifelse
    state /masking get 0 ne { (K ) word state /masking get num (\n) word } {
      state /mask get 0 ne { (k ) word state /mask get num (\n) word } if
    } ifelse true
  } ifelse } ifelse
} bind def
% What is painted on another device (pgf's invisible drawing goes to nulldevice) is
% not reported.
/page currentdevice def
/base null def  % the page's transformation, from dvips's bop on
/visible { currentdevice page eq } bind def
/out (%stdout) (w) file /NullEncode filter def  % in large writes
/line 100 string def
/buffer 40 string def
/num { out exch buffer cvs writestring } bind def
/word { out exch writestring } bind def
/pt { exch num ( ) word num } bind def
/path {  % the current path, in default user space
  gsave matrix defaultmatrix setmatrix
  { (m ) word pt (\n) word }
  { (l ) word pt (\n) word }
  { (c ) word 6 -2 roll pt ( ) word 4 -2 roll pt ( ) word pt (\n) word }
  { (h\n) word }
  pathforall grestore (e\n) word
} bind def
/rgb { { currentrgbcolor } stopped { 0 0 0 } if } bind def
/colour {  % r g b, or -1 c m y k for a CMYK colour
  { currentcolorspace 0 get /DeviceCMYK eq } stopped { false } if {
    (-1) word currentcmykcolor 4 array astore { ( ) word num } forall
  } { rgb 3 -1 roll num ( ) word exch num ( ) word num } ifelse
} bind def
/clip { gsave clippath path grestore } bind def
% From user space to default user space.
/touser { matrix currentmatrix matrix defaultmatrix matrix invertmatrix matrix concatmatrix } bind def
/matrixout { { ( ) word num } forall } bind def
/clipto { (0) eq { systemdict /clip get } { systemdict /eoclip get } ifelse exec } bind def
% A tiling pattern paints its cell over the path: its paint procedure run in each tile
% that meets the path, clipped to the path and the tile's box, in default user space
% (where pgf makes its patterns). An uncoloured one paints in the colour given with it.
/tiles {  % rule mark components.. pattern
  /pattern exch def counttomark array astore /tint exch def pop
  gsave clipto
    pattern /XStep get abs /xstep exch def pattern /YStep get abs /ystep exch def
    pattern /BBox get aload pop /ury exch def /urx exch def /lly exch def /llx exch def
    matrix defaultmatrix setmatrix clippath pathbbox newpath
    /y1 exch def /x1 exch def /y0 exch def /x0 exch def
    /i0 x0 urx sub xstep div floor def /i1 x1 llx sub xstep div ceiling def
    /j0 y0 ury sub ystep div floor def /j1 y1 lly sub ystep div ceiling def
    xstep 0 gt ystep 0 gt and i1 i0 sub 1 add j1 j0 sub 1 add mul 20000 le and {
      i0 1 i1 { /i exch def
        j0 1 j1 { /j exch def
          gsave i xstep mul j ystep mul translate
            llx lly urx llx sub ury lly sub rectclip
            pattern /PaintType get 2 eq {
              currentcolorspace 1 get setcolorspace tint aload pop setcolor
            } if
            pattern dup /PaintProc get end exec dg begin
          grestore
        } for
      } for
    } { (g ?\n) word clip path } ifelse  % too many tiles: left out
  grestore
} bind def
/fill {  % (0): nonzero, (1): even-odd. A shading pattern paints its shading; a tiling
          % pattern its tiles.
  visible not { pop } {
    { currentcolorspace 0 get /Pattern eq } stopped { false } if {
      mark currentcolor dup type /dicttype eq { dup /PatternType get } { 0 } ifelse
      dup 2 eq { pop /Shading get touser opacity { shading clip path } { pop pop } ifelse cleartomark pop } {
        1 eq { tiles } { cleartomark pop (g ?\n) word clip path } ifelse
      } ifelse
    } {
      opacity { (f ) word word ( ) word colour (\n) word clip path } { pop } ifelse
    } ifelse
  } ifelse
} bind def
/stroke { visible { stroke1 } if } bind def
/stroke1 {
  % A stroke keeps its shape when user space is default user space rotated and
  % scaled; else its outline is filled.
  touser aload pop pop pop /d exch def /c exch def /b exch def /a exch def
  a d sub abs b c add abs add a d add abs b c sub abs add 2 copy gt { exch } if pop
  state /stroking true put
  % Through a soft mask, or in its group, a stroke is its outline filled.
  a abs b abs add c abs add d abs add 1e-5 mul le masked not and {
    /factor a d mul b c mul sub abs sqrt def
    opacity {
      (s ) word colour ( ) word currentlinewidth factor mul num ( ) word
      currentlinecap num ( ) word currentlinejoin num ( ) word currentmiterlimit num ( ) word
      currentdash factor mul num ( ) word dup length num { ( ) word factor mul num } forall
      (\n) word clip path
    } if
  } {
    strokepath (0) fill
  } ifelse
  state /stroking false put
} bind def
/rect {  % x y w h -> path
  4 -2 roll moveto 1 index 0 rlineto 0 exch rlineto neg 0 rlineto closepath
} bind def
/rects {  % x y w h, or an array of them -> path
  dup type /arraytype eq { aload length 4 idiv { rect } repeat } { rect } ifelse
} bind def
/text {  % string: its outline at the current point, which moves on; and its characters
  visible { dup glyphs } if
  currentpoint gsave newpath moveto dup false charpath (0) fill grestore stringwidth rmoveto
} bind def
% Each character of a string shown from the current point, as a record of its origin,
% the point its width moves to, the font's size (the height of its em), its glyph name
% and the font's name.
/glyphs {
  gsave
  % cshow gives each character's code in the font it is drawn from (a composite
  % font's descendant, which is then the current font).
  { pop pop /cc exch def
    (t ) word currentpoint transform matrix defaultmatrix itransform pt ( ) word
    cc character stringwidth rmoveto
    currentpoint transform matrix defaultmatrix itransform pt ( ) word
    % The em is a unit of the font's own space before scaling (OrigFont's, in
    % Ghostscript's scaled fonts).
    0 1 currentfont dup /OrigFont known { /OrigFont get } if /FontMatrix get
    matrix invertmatrix dtransform currentfont /FontMatrix get dtransform
    dtransform matrix defaultmatrix idtransform dup mul exch dup mul add sqrt num ( ) word
    currentfont /Encoding known {
      currentfont /Encoding get dup type /arraytype eq { dup length cc gt } { false } ifelse
      { cc get } { pop null } ifelse
    } { null } ifelse glyphname ( ) word
    currentfont /FontName known { currentfont /FontName get } { null } ifelse glyphname (\n) word
  } exch cshow
  grestore
} bind def
/namebuf 64 string def
/glyphname {  % a name of at most 64 characters, else .notdef
  dup type /nametype eq { dup length 64 le } { false } ifelse
  { namebuf cvs word } { pop (.notdef) word } ifelse
} bind def
/character { 1 string dup 0 4 -1 roll put } bind def
/shown {  % string numbers step: each character, then a move by the numbers
  /step exch def /moves exch def /k 0 def
  { pop pop character currentpoint 3 -1 roll text moveto
    moves length k step 2 eq { 1 add } if gt {
      step 2 eq { moves k get moves k 1 add get } { moves k get step 1 eq { 0 exch } { 0 } ifelse } ifelse
      rmoveto
    } if
    /k k step 2 eq { 2 } { 1 } ifelse add def } exch cshow
} bind def
% Images: the samples are read (from a string, a procedure or a file) and reported,
% with the matrix from image space, whose unit square they fill, to default user space.
/samples {  % source bytes -> string
  /need exch def /source exch def /data need string def /got 0 def
  { got need ge { exit } if
    source type /filetype eq {
      source data got need got sub getinterval readstring pop
    } { source type /stringtype eq { source } { source exec } ifelse } ifelse
    dup length 0 eq { pop exit } if
    dup length need got sub 2 copy gt { exch } if pop 0 exch getinterval
    data got 2 index putinterval length got add /got exch def
  } loop
  data 0 got getinterval
} bind def
/picture {  % width height bits components matrix source -> (components 0: a mask)
  /source exch def /imatrix exch def /components exch def /bits exch def /height exch def /width exch def
  source width components 1 max mul bits mul 7 add 8 idiv height mul samples
  dup length 16#1000000 le width 0 gt and height 0 gt and visible and { opacity } { false } ifelse {
    (i ) word width num ( ) word height num ( ) word bits num ( ) word components num
    ( ) word colour imatrix matrix invertmatrix touser matrix concatmatrix matrixout
    (\nx ) word out exch writehexstring (\n) word clip
  } { pop } ifelse
} bind def
/spacecomponents {  % -> the number of the current colour space's components
  currentcolorspace 0 get dup /DeviceRGB eq { pop 3 } { /DeviceCMYK eq { 4 } { 1 } ifelse } ifelse
} bind def
/imagedict {  % dict components ->
  exch begin Width Height BitsPerComponent 4 -1 roll ImageMatrix DataSource end picture
} bind def
% Shadings: axial and radial ones are reported with the colours at the ends of the
% pieces of their function (exponential, or stitched from exponential ones).
/value {  % function x -> its components
  /x exch def /fn exch def
  /c0 fn /C0 known { fn /C0 get } { [ 0 ] } ifelse def
  /c1 fn /C1 known { fn /C1 get } { [ 1 ] } ifelse def
  /e x fn /N get exp def
  [ 0 1 c0 length 1 sub { /j exch def c0 j get c1 j get c0 j get sub e mul add } for ]
} bind def
/stop {  % t components -> writes " t r g b"
  exch ( ) word num gsave space setcolorspace aload pop setcolor ( ) word colour grestore
} bind def
/stops {  % function d0 d1 -> writes the stops
  /d1 exch def /d0 exch def /whole exch def
  whole /FunctionType get 2 eq {
    d0 whole d0 value stop d1 whole d1 value stop
  } {
    whole /FunctionType get 3 ne { stop } if  % not a function of exponential pieces
    /bounds [ d0 whole /Bounds get aload pop d1 ] def
    0 1 whole /Functions get length 1 sub {
      /piece exch def /part whole /Functions get piece get def
      part /FunctionType get 2 ne { stop } if
      bounds piece get part whole /Encode get piece 2 mul get value stop
      bounds piece 1 add get part whole /Encode get piece 2 mul 1 add get value stop
    } for
  } ifelse
} bind def
/shading {  % shading matrix -> writes the record's first line
  /smatrix exch def /sh exch def /space sh /ColorSpace get def
  sh /ShadingType get dup 2 eq exch 3 eq or {
    (g ) word sh /ShadingType get num sh /Coords get { ( ) word num } forall
    smatrix matrixout
    sh /Extend known { sh /Extend get } { [ false false ] } ifelse
    { ( ) word { (1) } { (0) } ifelse word } forall
    { sh /Function get sh /Domain known { sh /Domain get } { [ 0 1 ] } ifelse aload pop stops }
    stopped { ( ?) word } if
    (\n) word
  } { (g ?\n) word } ifelse  % of another kind
} bind def
% A function-based shading (type 1) whose function is PDF's calculator code (pgf's
% functional shadings, kept by the PDF operators as the function's pdfcode) is sampled:
% two samples a big point across its domain, at most 256 a side, each at its centre.
/functional {  % shading matrix -> writes an image record of its samples (true), or "g ?" (false)
  /smatrix exch def /sh exch def
  mark {
    /fproc sh /Function get /pdfcode get cvx exec def
    /fproc load xcheck not { stop } if
    sh /Domain known { sh /Domain get aload pop } { 0 1 0 1 } ifelse
    /fy1 exch def /fy0 exch def /fx1 exch def /fx0 exch def
    /comps sh /ColorSpace get dup type /arraytype eq { 0 get } if
      dup /DeviceGray eq { pop 1 } { dup /DeviceRGB eq { pop 3 } {
        /DeviceCMYK eq { 4 } { stop } ifelse } ifelse } ifelse def
    /su sh /Matrix known { sh /Matrix get } { matrix } ifelse smatrix matrix concatmatrix def
    /sw fx1 fx0 sub 0 su dtransform dup mul exch dup mul add sqrt 2 mul ceiling cvi def
    /shh 0 fy1 fy0 sub su dtransform dup mul exch dup mul add sqrt 2 mul ceiling cvi def
    sw 1 lt { /sw 1 def } if sw 256 gt { /sw 256 def } if
    shh 1 lt { /shh 1 def } if shh 256 gt { /shh 256 def } if
    /fmatrix [ fx1 fx0 sub sw div 0 0 fy0 fy1 sub shh div fx0 fy1 ] su matrix concatmatrix def
    /rows shh array def
    0 1 shh 1 sub { /j exch def
      /rowstr sw comps mul string def
      0 1 sw 1 sub { /i exch def
        count /fdepth exch def
        fx0 i 0.5 add fx1 fx0 sub mul sw div add
        fy1 j 0.5 add fy1 fy0 sub mul shh div sub
        fproc
        count fdepth sub comps ne { stop } if
        comps 1 sub -1 0 {
          i comps mul add exch 255 mul round cvi
          dup 0 lt { pop 0 } if dup 255 gt { pop 255 } if rowstr 3 1 roll put
        } for
      } for
      rows j rowstr put
    } for
  } stopped { cleartomark (g ?\n) word false } {
    pop
    (i ) word sw num ( ) word shh num ( 8 ) word comps num ( 0 0 0) word fmatrix matrixout
    (\nx ) word rows { out exch writehexstring } forall (\n) word true
  } ifelse
} bind def
% The main loop: each chunk of input is a line "length isolated" and that many bytes
% of PostScript, run and followed by the line "d 0" (with, in an open page, the
% transformation and the fill alpha in which TeX sets what comes next), or "d 1 error"
% when it failed; the records go out at each chunk's end. The alpha is -1 while the
% page's device is not the current one (beamer hides what is still to come by drawing it
% on nulldevice).
/next {  % -> file true, or false at the end of the input
  { in line readline not { pop false exit } if
    dup length 0 gt {
      token pop exch token pop exch pop 1 eq state /isolated 3 -1 roll put
      dup 0 eq { pop () } { string in exch readstring pop } ifelse
      dup length () /SubFileDecode filter true exit
    } if pop
  } loop
} bind def
/transform {  % writes the current transformation from the page's, when a page is open
  base null ne {
    matrix currentmatrix base matrix invertmatrix matrix concatmatrix matrixout
    ( ) word visible { state /stroking false put alpha } { -1 } ifelse num
  } if
} bind def
/main {
  { //dg begin next end not { exit } if
    count 1 sub //state exch /operands exch put //state /dicts countdictstack put
    //state /isolated get { //dg /saved save put } if
    cvx stopped {
      //dg begin (d 1 ) word $error /errorname get buffer cvs word (\n) word end
      $error /newerror false put
      //state /failed true put
    } { //state /failed false put } ifelse
    % After a failure, and for an isolated chunk, the stacks are as they were.
    //state /failed get //state /isolated get or {
      count //state /operands get sub dup 0 gt { { pop } repeat } { pop } ifelse
      countdictstack //state /dicts get sub dup 0 gt { { end } repeat } { pop } ifelse
    } if
    //state /isolated get { //dg /saved get restore } if
    //state /failed get not { //dg begin (d 0) word transform (\n) word end } if
    //dg /out get flushfile
  } loop
} bind def
end

% The painting operators, as the page's PostScript finds them in userdict; bound with
% the procedures above in reach, so that they call those rather than the operators.
dg begin userdict begin
/fill { dg begin (0) fill end newpath } bind def
/eofill { dg begin (1) fill end newpath } bind def
/stroke { dg begin stroke end newpath } bind def
/rectfill { gsave newpath dg begin rects (0) fill end grestore } bind def
/rectstroke {
  gsave newpath dup type /arraytype eq { dup length 6 eq { concat } if } if
  dg begin rects stroke end grestore
} bind def
/show { dg begin text end } bind def
/ashow { dg begin /s exch def /ay exch def /ax exch def s { character text ax ay rmoveto } forall end } bind def
/widthshow {
  dg begin /s exch def /code exch def /cy exch def /cx exch def
  s { dup character text code eq { cx cy rmoveto } if } forall end
} bind def
/awidthshow {
  dg begin /s exch def /ay exch def /ax exch def /code exch def /cy exch def /cx exch def
  s { dup character text ax ay rmoveto code eq { cx cy rmoveto } if } forall end
} bind def
/kshow { exch pop show } bind def
/xshow { dg begin 1 shown end } bind def
/yshow { dg begin 0 shown end } bind def
/xyshow { dg begin 2 shown end } bind def
/glyphshow {  % name: shown as code 0 of a copy of the font that encodes it so
  dg begin /glyph exch def
  currentfont dup length dict begin
    { 1 index /FID ne { def } { pop pop } ifelse } forall
    /Encoding 256 array def Encoding 0 glyph put
    1 1 255 { Encoding exch /.notdef put } for
  currentdict end /dg-glyph exch definefont
  currentfont exch setfont (\000) text setfont end
} bind def
/image {
  dg begin dup type /dicttype eq { spacecomponents imagedict } { 1 3 1 roll picture } ifelse end
} bind def
/colorimage {  % width height bits matrix source(s) multiple components
  dg begin /n exch def { n { pop } repeat pop pop pop pop } { n 3 1 roll picture } ifelse end
} bind def
/imagemask {
  dg begin dup type /dicttype eq { dup /Decode get 0 get 1 eq { 0 } { -1 } ifelse imagedict } {
    /s exch def /m exch def { 0 } { -1 } ifelse 1 exch m s picture
  } ifelse end
} bind def
/shfill {
  dg begin visible {
    touser opacity {
      1 index /ShadingType get 1 eq { functional { clip } { clip newpath path } ifelse } {
        shading clip newpath path
      } ifelse
    } { pop pop } ifelse
  } { pop } ifelse end
} bind def
/showpage { } bind def
% Transparency is reported, not composited: the device stays the page's, and a soft
% mask (pgf's fadings) leaves what it masks at its constant alpha.
/.pushpdf14devicefilter { pop } bind def
/.poppdf14devicefilter { } bind def
/.begintransparencymaskgroup { pop pop pop pop pop pop } bind def
/.endtransparencymask { pop } bind def
end end
dg /main get exec
)ps";
