/* Resource ids of DkPEXCtlRes.dll, shared by the resource script and the code. */
#pragma once

#define IDS_PAGE_NOT_REGISTERED 79  /* a property page class is not registered; %s: its class id */
#define IDS_UNDO_PROPERTY_CHANGE 87 /* the undo label of a property change */
#define IDS_UNDO_BEGIN_REFUSED 900  /* the drawing refused to begin the change's undo step */
#define IDS_UNDO_END_REFUSED 901    /* the drawing refused to end the change's undo step */
#define IDS_OBJECTS_NOT_CHANGED 902 /* some objects kept their value; %s: how many, %s: of how many */
#define IDS_OBJECT_ERASED 903       /* an object was erased before it could take the value */
#define IDS_OBJECT_REFUSED_CODE 904 /* an object refused without a reason; %s: its error code */
#define IDS_CHANGE_TAKEN_BACK 905   /* the drawing took the whole change back */
#define IDS_NOT_A_VALUE 906         /* typed text that is not a value of the row; %s: the text */
#define IDS_NOT_A_WHOLE_NUMBER 907  /* typed text that is no whole number in range; %s: text, lowest, highest */
#define IDS_TEXT_LIMIT 908          /* typing or pasting stopped at the row's limit; %s: the limit */
#define IDS_OBJECTS_LOCKED 910      /* the objects a write left alone on a locked layer */
#define IDS_COLOR_NOT_MADE 911       /* the host's colour object could not be made; %s: the error code */
#define IDS_TEXT_TOO_LONG 909       /* a text beyond the row's limit was refused; %s: its length, the limit */
#define IDS_SELECT_COLOR 82          /* the colour lists' entry that opens the colour dialog */
#define IDS_COLOR_RED 112             /* index colours 1 to 7, by name */
#define IDS_COLOR_YELLOW 113
#define IDS_COLOR_GREEN 114
#define IDS_COLOR_CYAN 115
#define IDS_COLOR_BLUE 116
#define IDS_COLOR_MAGENTA 117
#define IDS_COLOR_WHITE 118
#define IDS_COLOR_INDEX 119           /* any other index colour; %s: its index */
#define IDS_MTEXT_DIRECTION_FIRST 120 /* a multiline text's directions: 120 horizontal, 121 vertical, 122 by style */
#define IDS_JUSTIFY_ALIGNED 205       /* the justification fitted between two points with its height worked out */
#define IDS_JUSTIFY_FIT 206           /* the justification fitted between two points with its width worked out */
#define IDS_JUSTIFY_MEASURE 207       /* the justification that measures a text's natural extent */
#define IDS_JUSTIFY_BASE_POINT 208    /* the justification placed by the insertion point */
#define IDI_ANNOTATIVE 268            /* the marker of an annotative style, 16 x 16 */
#define IDI_DIALOG_LAUNCH 230         /* the dialog rows' icon, 16 x 12 */
#define IDS_CONTINUOUS 30              /* the solid linetype's entry */
#define IDS_LINEWEIGHT_DEFAULT 125     /* the lineweight entry of the drawing's default lineweight */
#define IDS_VIEWPORT_OVERRIDE 272     /* a by-layer value overridden in the current viewport; %s: the ByLayer word */
#define IDS_BOOL_FIRST 110            /* the yes/no editor's first entry (writes true) */
#define IDS_BOOL_SECOND 111           /* the yes/no editor's second entry (writes false) */
#define IDS_AREA_FEET_INCHES 123       /* an area in square inches, then square feet; two %s */
#define IDS_FULL_TURN_DEGREES 126      /* a full turn in degrees */
#define IDS_FULL_TURN_GRADS 127        /* a full turn in grads */
#define IDS_FULL_TURN_DECIMAL_MARK 128 /* the decimal mark of an angle's text */
#define IDS_FULL_TURN_DEGREE_MARK 129  /* the degree mark of degrees/minutes/seconds */
#define IDS_FULL_TURN_GRAD_MARK 130    /* the grads mark */
#define IDB_EXPRESSION_NONE 173      /* the property takes an expression; it has none */
#define IDB_EXPRESSION_DIFFERS 174   /* the selected objects' expressions differ */
#define IDB_EXPRESSION_SET 175       /* the objects share an expression */
#define IDS_NONE 192                 /* nothing: no expression (in a tooltip), no colour, an empty name */
#define IDS_CALCULATOR_TITLE 237     /* the calculator dialog's title */
#define IDB_CALCULATOR 252           /* the calculator button */
#define IDB_CALCULATOR_DISABLED 253  /* the calculator button, disabled */
#define IDS_EXPRESSION_TIP 290       /* tooltip of the expression button, before its state */
#define IDS_PICK_POINT_PROMPT 132     /* the prompt of a vertex's pick */
#define IDB_PICK_POINT 160            /* the coordinate rows' pick button */
#define IDB_PICK_POINT_DISABLED 161   /* the same, disabled */
#define IDS_PICK_POINT_TIP 221        /* tooltip of the coordinate rows' pick button */
#define IDS_PICK_DISTANCE_TIP 222     /* tooltip of the distance rows' pick button */
#define IDS_PICK_FIRST_PROMPT 232     /* a measured distance's first prompt */
#define IDS_PICK_SECOND_PROMPT 233    /* a measured distance's second prompt */
#define IDB_PICK_TWO_POINTS 234       /* the distance rows' pick button */
#define IDB_PICK_TWO_POINTS_DISABLED 235 /* the same, disabled */
#define IDS_VARIES 228              /* shown where the selected objects' values differ */
#define IDS_UNSPECIFIED 229         /* shown where the objects report no value of their own */
#define IDS_HATCH_PATTERN_TYPES 37    /* the pattern types by value, separated by ";" */
#define IDS_HATCH_USER_DEFINED 86     /* the pattern name of a user-defined hatch */
#define IDD_HATCH_PATTERN_TYPE 147    /* the dialog of a hatch's pattern type and name */
#define IDC_HATCH_CUSTOM_LABEL 1005   /* its label of the custom pattern name */
#define IDC_HATCH_PALETTE 1029        /* its button opening the host's pattern palette */
#define IDC_HATCH_CUSTOM_NAME 1030    /* its custom pattern name */
#define IDC_HATCH_PREDEFINED 1031     /* its list of predefined patterns */
#define IDC_HATCH_TYPE 1032           /* its list of pattern types */
#define IDB_GRADIENT_CURVED 163       /* the gradient fills' previews, 14 x 14 */
#define IDB_GRADIENT_CYLINDER 164
#define IDB_GRADIENT_HEMISPHERICAL 165
#define IDB_GRADIENT_INVCURVED 166
#define IDB_GRADIENT_INVCYLINDER 167
#define IDB_GRADIENT_INVHEMISPHERICAL 168
#define IDB_GRADIENT_INVSPHERICAL 169
#define IDB_GRADIENT_LINEAR 170
#define IDB_GRADIENT_SPHERICAL 171
#define IDS_SELECT_BLOCK_TITLE 2      /* the block chooser's title over a multileader's or callout's content */
#define IDS_BLOCK_NOT_IN_SAVED_DRAWING 270 /* a block the saved drawing file lacks; alone, or with %s: the block's name */
#define IDS_LAMP_PRESET_FIRST 254     /* the preset lamp colours' names, 254 to 267, in the presets' order */
#define IDS_LAMP_PRESET_CUSTOM 269    /* the lamp colour of the light's own */
#define IDB_LAMP_COLOR 172            /* the lamp colour rows' button, 16 x 16 */
#define IDS_SECTION_PATTERN 38        /* a section's layer pattern entry, the suffix after it; %s: the suffix (or nothing) */
#define IDS_SECTION_PATTERN_PREFIX 39 /* the same with a prefix; %s: the prefix */
#define IDS_SECTION_SUFFIX_CUT 40     /* the default suffixes of a section's layers by property: 52 cut lines, */
#define IDS_SECTION_SUFFIX_FILL 41    /* 78 the cut's fill, 94 background lines, 114 foreground lines, */
#define IDS_SECTION_SUFFIX_BACKGROUND 42
#define IDS_SECTION_SUFFIX_FOREGROUND 43
#define IDS_SECTION_SUFFIX_TANGENCY 44 /* 133 tangency lines */
#define IDS_SECTION_NAMING_TITLE 47   /* the new layer name's dialog: the messages' title */
#define IDS_SECTION_NAMING_EMPTY 48   /* no prefix or suffix typed */
#define IDS_SECTION_NAMING_INVALID 276 /* a prefix or suffix that makes no layer name */
#define IDS_SECTION_NAMING_RULES 277  /* what a layer name may hold */
#define IDS_SECTION_NEW_NAME 289      /* the section layer list's entry that opens the dialog */
#define IDD_SECTION_LAYER_NEW_NAME 275 /* the dialog naming a section's layers after its own */
#define IDC_SECTION_NAMING_TEXT 1054  /* its prefix or suffix */
#define IDC_SECTION_NAMING_NONE 1055  /* its choices: the section's layer alone, */
#define IDC_SECTION_NAMING_PREFIX 1056 /* with a prefix, */
#define IDC_SECTION_NAMING_SUFFIX 1057 /* with a suffix */
