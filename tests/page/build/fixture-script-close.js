var closing = '</SCRIPT>';
