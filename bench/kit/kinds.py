"""Every kind of damage the kit makes, with the source families it applies
to: classic files, and files whose objects live in object streams.
"""
from . import damages as d
from . import featuredamage as feat
from . import contentdamage as content
from . import treedamage as tree

NotApplicable = d.NotApplicable
CLASSIC, OBJSTM, FEATURES = {"classic"}, {"objstm"}, {"features"}
BOTH = CLASSIC | OBJSTM
# kind, families it applies to, function
KINDS = [
    ("clean", BOTH, d.clean),
    ("paren_between", CLASSIC, d.paren_between),
    ("paren_before_first", CLASSIC, d.paren_before_first),
    ("garbage_binary", BOTH, d.garbage_binary),
    ("garbage_text", BOTH, d.garbage_text),
    ("garbage_after_last", BOTH, d.garbage_after_last),
    ("fragment_between", BOTH, d.fragment_between),
    ("endobj_removed", CLASSIC, d.endobj_removed),
    ("endstream_removed", CLASSIC, d.endstream_removed),
    ("glued_num_endobj", CLASSIC, d.glued_num_endobj),
    ("glued_endstream_endobj", CLASSIC, d.glued_endstream_endobj),
    ("glued_dict_stream", CLASSIC, d.glued_dict_stream),
    ("double_dict_open", CLASSIC, d.double_dict_open),
    ("pages_listed_twice", CLASSIC, tree.pages_listed_twice),
    ("page_type_lost", CLASSIC, tree.page_type_lost),
    ("superseded_generation", CLASSIC, tree.superseded_generation),
    ("superseded_xref_zeroed", CLASSIC, tree.superseded_xref_zeroed),
    ("truncate_25", BOTH, d.truncate(25)),
    ("truncate_50", BOTH, d.truncate(50)),
    ("truncate_75", BOTH, d.truncate(75)),
    ("truncate_95", BOTH, d.truncate(95)),
    ("zero_sector", BOTH, d.zero_sector),
    ("content_byteflips", BOTH, d.content_byteflips),
    ("xref_deleted", CLASSIC, d.xref_deleted),
    ("trailer_deleted", CLASSIC, d.trailer_deleted),
    ("catalog_deleted", CLASSIC, d.catalog_deleted),
    ("pages_root_deleted", CLASSIC, d.pages_root_deleted),
    ("catalog_destroyed", FEATURES, feat.catalog_destroyed),
    ("catalog_keys_lost", FEATURES, feat.catalog_keys_lost),
    ("form_fields_lost", FEATURES, feat.form_fields_lost),
    ("kids_list_page_twice", CLASSIC, feat.kids_list_page_twice),
    ("length_wrong", BOTH, d.length_wrong),
    ("length_missing", BOTH, d.length_missing),
    ("objstm_xref_deleted", OBJSTM, d.objstm_xref_deleted),
    ("objstm_flipped", OBJSTM, d.objstm_flipped),
    ("objstm_truncated", OBJSTM, d.objstm_truncated),
    ("content_unended_string", CLASSIC, content.content_unended_string),
    ("content_unbalanced", CLASSIC, content.content_unbalanced),
    ("content_operands", CLASSIC, content.content_operands),
    ("content_unknown_operator", CLASSIC, content.content_unknown_operator),
    ("content_garbage", CLASSIC, content.content_garbage),
    ("content_show_array", CLASSIC, content.content_show_array),
]

# Kinds whose damage readers complain of while drawing: a file of these is
# fully recovered only when pdftoppm also draws it without an error line.
DRAWN_WITHOUT_ERRORS = {kind for kind, _, _ in KINDS if kind.startswith("content_") and kind != "content_byteflips"}
